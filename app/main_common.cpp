#include "app/main_common.h"

#include <cstdio>
#include <string>

#include "app/application.h"
#include "app/core/app_options.h"
#include "app/devices/audio_output.h"
#include "app/devices/quiet_libraries.h"
#include "app/run_windowed.h"

namespace fluvia::app {

int ProgramMain(int argc, const char* const* argv) {
  AppOptions options;
  std::string error;
  if (!ParseAppOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "fluvia: %s\nTry 'fluvia --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(AppUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("Fluvia %s\n", FLUVIA_VERSION_TEXT);
    return 0;
  }
  QuietAudioLibraries();
  if (options.audioApi && !IsAudioApi(*options.audioApi)) {
    std::string known;
    for (const std::string& api : AudioApiNames()) known += (known.empty() ? "" : ", ") + api;
    std::fprintf(stderr, "fluvia: --audio-api knows %s here, not '%s'\nTry 'fluvia --help'.\n",
                 known.c_str(), options.audioApi->c_str());
    return 2;
  }
  if (options.listDevices) {
    std::fputs(Application::DeviceListing().c_str(), stdout);
    return 0;
  }
  return RunWindowed(options);
}

}  // namespace fluvia::app
