#include "app/devices/jack_server.h"

namespace fluvia::app {

// The Windows build has no JACK.
bool JackServerRunning() { return false; }

}  // namespace fluvia::app
