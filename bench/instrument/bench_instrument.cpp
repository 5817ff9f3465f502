// The instrument's ProcessDouble, driven like an adapter drives it, in the three regimes that
// matter for a host's CPU meter: a held note, an attack in progress and silence after the
// release. At 48 kHz, and at 96 and 192 kHz, where the engine runs at 48 kHz and its output is
// upsampled: compare their cpu_ms_per_audio_second counters (the cost of one second of audio).

#include <benchmark/benchmark.h>

#include <mutex>
#include <vector>

#include "engine/engine_params.h"
#include "instrument/fluvia.h"

namespace {

using fluvia::Fluvia;

enum class Regime { Sustain, Attack, Silence };

void Run(benchmark::State& state, Regime regime) {
  const int frames = static_cast<int>(state.range(0));
  const double kRate = static_cast<double>(state.range(1));
  Fluvia plugin;
  plugin.SetSampleRate(kRate);
  plugin.SetMaxBlockSize(frames);
  plugin.ResetDsp();
  const size_t n = static_cast<size_t>(frames);
  std::vector<double> left(n), right(n), in(n);
  double* inputs[] = {in.data(), in.data()};
  double* outputs[] = {left.data(), right.data()};
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());

  auto block = [&] { plugin.ProcessDouble(inputs, outputs, frames); };
  auto note = [&](uint8_t status) { plugin.ProcessMidi({0, status, 60, 100}); };
  if (regime == Regime::Attack) {
    plugin.GetParam(fluvia::kAmpFadeInOut)->SetValue(1.0);  // a 10 s attack
    plugin.ParamChanged(fluvia::kAmpFadeInOut);
  }
  note(0x90);
  const int warmup = int(kRate * 2 / frames) + 1;
  for (int i = 0; i < warmup; ++i) block();
  if (regime == Regime::Silence) {
    plugin.GetParam(fluvia::kAmpFadeInOut)->SetValue(0.0);
    plugin.ParamChanged(fluvia::kAmpFadeInOut);
    note(0x80);
    for (int i = 0; i < warmup; ++i) block();
  }

  long long rendered = 0;
  for (auto _ : state) {
    if (regime == Regime::Attack && rendered >= static_cast<long long>(kRate * 8)) {
      // Start a new attack before this one reaches its sustain.
      state.PauseTiming();
      note(0x80);
      block();
      plugin.ResetDsp();
      note(0x90);
      rendered = 0;
      state.ResumeTiming();
    }
    block();
    rendered += frames;
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }
  const double totalFrames = double(state.iterations()) * frames;
  state.SetItemsProcessed(int64_t(totalFrames));
  state.counters["ns_per_frame"] = benchmark::Counter(
      totalFrames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(totalFrames / kRate, benchmark::Counter::kIsRate);
  state.counters["cpu_ms_per_audio_second"] = benchmark::Counter(
      totalFrames / kRate * 1e-3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ProcessDouble_Sustain(benchmark::State& s) { Run(s, Regime::Sustain); }
void BM_ProcessDouble_Attack(benchmark::State& s) { Run(s, Regime::Attack); }
void BM_ProcessDouble_Silence(benchmark::State& s) { Run(s, Regime::Silence); }

// Block sizes and rates; the blocks stand for the same stretch of time at each rate.
void Cases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"block", "rate"});
  for (int block : {64, 512, 4096}) b->Args({block, 48000});
  for (int block : {128, 1024}) b->Args({block, 96000});
  b->Args({2048, 192000});
}

BENCHMARK(BM_ProcessDouble_Sustain)->Apply(Cases);
BENCHMARK(BM_ProcessDouble_Attack)->Apply(Cases);
BENCHMARK(BM_ProcessDouble_Silence)->Apply(Cases);

}  // namespace

BENCHMARK_MAIN();
