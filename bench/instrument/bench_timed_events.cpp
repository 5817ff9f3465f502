// The cost of acting on events at their own frame: a held note processed through the base's
// buffer path (which splits blocks at event frames) against the engine's whole-block call
// that the instrument made before blocks were split, with no events, 16 events in a
// 512-frame block, and an event at every frame of a 64-frame block.

#include <benchmark/benchmark.h>

#include <mutex>
#include <vector>

#include "engine/engine_params.h"
#include "instrument/fluvia.h"

namespace {

using fluvia::Fluvia;

enum class Path { WholeBlock, Segmented };
// Notes change no sound coefficient; a controller or an automated knob makes the engine
// compute its coefficients again at each point.
enum class Events { Notes, Automation };

void Run(benchmark::State& state, Path path, int events, Events kind = Events::Automation) {
  const int frames = static_cast<int>(state.range(0));
  Fluvia plugin;
  plugin.SetSampleRate(48000.0);
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetMaxBlockSize(frames);
  plugin.ResetDsp();
  const size_t n = static_cast<size_t>(frames);
  std::vector<double> left(n), right(n), in(n);
  double* inputs[] = {in.data(), in.data()};
  double* outputs[] = {left.data(), right.data()};
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  plugin.ProcessMidi({0, 0x90, 60, 100});

  auto block = [&] {
    if (path == Path::WholeBlock) {
      plugin.ProcessCallStarting();
      plugin.ProcessDouble(inputs, outputs, frames);
      return;
    }
    // Notes, or half controllers and half parameter points, spread over the block.
    for (int e = 0; e < events; ++e) {
      const int offset = e * frames / events;
      if (kind == Events::Notes) {
        plugin.ProcessMidi({offset, 0x90, uint8_t(60 + e % 2), 100});
      } else if (e % 2) {
        plugin.AddParamPoint(fluvia::kContainerSize, 0.3 + 0.01 * (e % 10), offset);
      } else {
        plugin.ProcessMidi({offset, 0xB0, 10, uint8_t(60 + e % 8)});
      }
    }
    plugin.AttachOutputBuffers(0, 2, outputs);
    plugin.ProcessBuffers(frames);
  };
  for (int i = 0; i < 200; ++i) block();
  for (auto _ : state) {
    block();
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }
  const double totalFrames = double(state.iterations()) * frames;
  state.counters["ns_per_frame"] = benchmark::Counter(
      totalFrames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_NoEvents_WholeBlock(benchmark::State& s) { Run(s, Path::WholeBlock, 0); }
void BM_NoEvents_Segmented(benchmark::State& s) { Run(s, Path::Segmented, 0); }
void BM_16Notes_Segmented(benchmark::State& s) { Run(s, Path::Segmented, 16, Events::Notes); }
void BM_16Automation_Segmented(benchmark::State& s) { Run(s, Path::Segmented, 16); }
void BM_NoteEveryFrame_Segmented(benchmark::State& s) {
  Run(s, Path::Segmented, int(s.range(0)), Events::Notes);
}
void BM_AutomationEveryFrame_Segmented(benchmark::State& s) {
  Run(s, Path::Segmented, int(s.range(0)));
}

BENCHMARK(BM_NoEvents_WholeBlock)->Arg(64)->Arg(512);
BENCHMARK(BM_NoEvents_Segmented)->Arg(64)->Arg(512);
BENCHMARK(BM_16Notes_Segmented)->Arg(512);
BENCHMARK(BM_16Automation_Segmented)->Arg(512);
BENCHMARK(BM_NoteEveryFrame_Segmented)->Arg(64);
BENCHMARK(BM_AutomationEveryFrame_Segmented)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
