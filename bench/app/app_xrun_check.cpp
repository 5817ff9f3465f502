// Dropouts while playing: `fluvia --hold-note` on a private JACK server (dummy driver, 48 kHz,
// a 128-frame buffer) for a minute, while a MIDI controller turns knobs all the time so that
// the editor redraws at its full rate. Reports the server's xruns (as a client of the server
// sees them) and the dropouts the program itself counted. With --baseline the program is not
// started: the server's xruns on this machine without it, for comparison. The server runs with
// real-time priority, as on a machine set up for audio (--no-realtime: without). With --still
// no controller moves a knob: the program plays with an editor that does not redraw.
//   app_xrun_check [--baseline] [--still] [--no-realtime] [SECONDS]      (60 by default)

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/app/program/jack_probe.h"
#include "tests/app/program/program_process.h"
#include "tests/graphics/x11/test_display.h"

using namespace fluvia::testing;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
  bool baseline = false, realtime = true, still = false;
  double seconds = 60.0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--baseline") {
      baseline = true;
    } else if (arg == "--still") {
      still = true;
    } else if (arg == "--no-realtime") {
      realtime = false;
    } else {
      seconds = std::atof(argv[i]);
    }
  }
  std::string why;
  if (!StartTestDisplay(why)) {
    std::fprintf(stderr, "no X server: %s\n", why.c_str());
    return 1;
  }
  JackServer jack(48000, 128, {}, realtime);
  JackProbe probe(jack.Name(), "controller");
  if (!jack.Running() || !probe.Ok()) {
    std::fprintf(stderr, "no JACK server\n");
    return 1;
  }
  const fs::path home = fs::temp_directory_path() / ("fluvia-xruns-" + jack.Name());
  fs::create_directories(home);
  std::vector<std::string> arguments = {"--audio-api",  "jack", "--audio-device",
                                        "system",       "--hold-note",  "--midi-input",
                                        probe.MidiPort()};
  if (baseline) arguments = {"--version"};  // ends at once: the server plays alone
  ProgramProcess app(FLUVIA_APP_PROGRAM, arguments,
                     {"HOME=" + home.string(), "JACK_DEFAULT_SERVER=" + jack.Name()},
                     (home / "stderr.txt").string());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const int xrunsBefore = probe.Xruns();
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int step = 0;
  // Five knobs swept up and down, one controller message every 10 ms: every editor frame has
  // knobs to redraw.
  const uint8_t controllers[] = {1, 2, 3, 9, 10};
  while (std::chrono::steady_clock::now() < end && (baseline || app.Running())) {
    const int value = step % 254 < 127 ? step % 127 : 126 - step % 127;
    if (!still) probe.SendMidi(0xB0, controllers[step % 5], uint8_t(value));
    ++step;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const int xruns = probe.Xruns() - xrunsBefore;
  app.Signal(SIGTERM);
  const int status = app.Wait(10000);
  std::printf("%s%s%.0f s at 48000 Hz, 128 frames, %d controller messages: %d server xruns; "
              "program exit %d\n%s",
              baseline ? "without the program: " : "", realtime ? "" : "not real-time: ", seconds, step, xruns, status,
              baseline ? "" : app.Errors().c_str());
  fs::remove_all(home);
  return status == 0 ? 0 : 1;
}
