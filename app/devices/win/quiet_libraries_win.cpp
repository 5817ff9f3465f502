#include "app/devices/quiet_libraries.h"

namespace fluvia::app {

// The Windows audio and MIDI systems print nothing of their own.
void QuietAudioLibraries() {}

}  // namespace fluvia::app
