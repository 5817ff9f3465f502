#pragma once
// What the application asks a JACK server directly (through libjack, on Linux): whether one
// runs, and which device number RtAudio gives a JACK client. RtAudio answers the latter by
// opening and closing a client of its own per device it looks at, each costing tens of
// milliseconds, which the launch would wait for; one client here answers it all at once.

#include <string>

namespace fluvia::app {

// Whether a JACK server takes clients (asked without starting one). RtMidi's JACK input
// complains on standard error when there is none, so it is asked first.
bool JackServerRunning();

struct JackDevice {
  int index = -1;         // RtAudio's device number
  std::string name;       // the client whose playback ports the stream connects to
  int sampleRate = 0;     // the server's
  int channels = 0;       // the client's input ports: the device's output channels
};
// The named JACK client as RtAudio numbers its devices (the first client with playback ports
// when `name` is empty). False without a server or such a client.
bool FindJackDevice(const std::string& name, JackDevice& found);

}  // namespace fluvia::app
