// Launch to first sound: from starting `fluvia --hold-note` until its first non-silent sample
// reaches another JACK client (the benchmark's own, which the program plays into as its
// output device), on a private JACK server (dummy driver, 48 kHz, 128 frames) and a private X
// server. The target is below 500 ms. Each run starts from a fresh home (no saved state).

#include <benchmark/benchmark.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/app/program/jack_probe.h"
#include "tests/app/program/program_process.h"
#include "tests/graphics/x11/test_display.h"

namespace fluvia::testing {
namespace {

namespace fs = std::filesystem;

void LaunchToFirstSound(benchmark::State& state) {
  std::string why;
  if (!StartTestDisplay(why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  JackServer jack(48000, 128);
  JackProbe probe(jack.Name(), "listener");
  if (!jack.Running() || !probe.Ok()) {
    state.SkipWithError("no JACK server");
    return;
  }
  const fs::path home = fs::temp_directory_path() / ("fluvia-bench-home-" + jack.Name());
  for (auto _ : state) {
    fs::remove_all(home);
    fs::create_directories(home);
    probe.WatchForSound();
    const auto start = std::chrono::steady_clock::now();
    ProgramProcess app(FLUVIA_APP_PROGRAM,
                       {"--audio-api", "jack", "--audio-device", "listener", "--hold-note"},
                       {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
                        "JACK_DEFAULT_SERVER=" + jack.Name()},
                       (home / "stderr.txt").string());
    for (int i = 0; i < 1000 && !probe.SoundArrived(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!probe.SoundArrived()) {
      state.SkipWithError(("no sound: " + app.Errors()).c_str());
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(probe.SoundTime() - start).count());
    app.Signal(SIGTERM);
    app.Wait(10000);
  }
  fs::remove_all(home);
}
BENCHMARK(LaunchToFirstSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
}  // namespace fluvia::testing

BENCHMARK_MAIN();
