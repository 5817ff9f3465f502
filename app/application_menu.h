#pragma once
// What the application's menu knows between its opening and the choice: the lists it showed.
// Internal to the application (application.cpp, app_menu.cpp).

#include <string>
#include <vector>

#include "app/application.h"
#include "app/devices/audio_output.h"
#include "app/devices/midi_inputs.h"
#include "graphics/menu_list.h"

namespace fluvia::app {

struct Application::Menu {
  int base = -1;  // the header menu's index of the first entry
  IMenuList audio, rates, buffers, midi;
  std::vector<AudioOutputDevice> outputs;  // audio entry i
  std::vector<int> rateValues;             // rates entry i
  std::vector<MidiPort> ports;             // midi entry i + 1 (entry 0 is "None")
};

}  // namespace fluvia::app
