#pragma once
// The application's lines of the settings file (presets/settings_file.h), beside the editor's:
//
//   AudioApi=jack            the audio system of the output (RtAudio's short name)
//   AudioDevice=system       the output's name, or "none" for no sound
//   SampleRate=48000
//   BufferSize=256           frames per audio block
//   MidiApi=alsa             the MIDI system of the input
//   MidiInput=Keystation     the input port's name, or "none"
//
// A line that is missing or does not parse means "not chosen" (the program then takes the
// system's default); the problems found are described for the person.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "presets/settings_file.h"

namespace fluvia::app {

inline constexpr const char* kNoDevice = "none";

struct AppSettings {
  std::optional<std::string> audioApi;
  std::optional<std::string> audioDevice;
  std::optional<int> sampleRate;
  std::optional<int> bufferSize;
  std::optional<std::string> midiApi;
  std::optional<std::string> midiInput;
};

// `problems` (when given) receives one sentence per line with a bad value.
AppSettings ParseAppSettings(std::string_view text, std::vector<std::string>* problems = nullptr);
// The changes that write these settings (keys that are not set are removed).
SettingChanges AppSettingChanges(const AppSettings& settings);

// A name fit for a settings line: control characters (line breaks above all) become spaces,
// and the length is bounded.
std::string SettingsSafeName(std::string_view name);

}  // namespace fluvia::app
