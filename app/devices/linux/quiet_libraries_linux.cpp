#include "app/devices/quiet_libraries.h"

#include <alsa/asoundlib.h>

namespace fluvia::app {
namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void QuietAudioLibraries() { snd_lib_error_set_handler(&IgnoreAlsaError); }

}  // namespace fluvia::app
