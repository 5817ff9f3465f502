#include "app/devices/jack_server.h"

namespace fluvia::app {

// The Windows build has no JACK.
bool JackServerRunning() { return false; }
bool FindJackDevice(const std::string&, JackDevice&) { return false; }

}  // namespace fluvia::app
