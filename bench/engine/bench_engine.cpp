// WaterEngine::Render at 48 kHz in its three regimes, for small, medium and large host blocks.
// Counters: ns_per_frame (one stereo frame) and realtime_x (audio seconds per CPU second).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/water_engine.h"

namespace fluvia {
namespace {

constexpr double kRate = 48000.0;

enum Regime { kSustain, kAttack, kSilence };

struct Rig {
  std::unique_ptr<WaterEngine> engine = WaterEngine::Create(kRate);
  std::vector<double> left, right, silence;
  const double* inputs[2];
  double* outputs[2];

  explicit Rig(int frames)
      : left(static_cast<std::size_t>(frames)),
        right(static_cast<std::size_t>(frames)),
        silence(static_cast<std::size_t>(frames), 0.0) {
    inputs[0] = inputs[1] = silence.data();
    outputs[0] = left.data();
    outputs[1] = right.data();
  }
  void Render(int frames) { engine->Render(inputs, outputs, frames); }
  void RenderSeconds(double seconds, int frames) {
    for (double t = 0; t < seconds; t += frames / kRate) Render(frames);
  }
};

// A fresh attack at fade 1 (T = 10 s) from level 0.
void StartLongAttack(Rig& rig) {
  rig.engine->Reset(kRate);
  rig.engine->SetParameter(kAmpFadeInOut, 1.0);
  rig.engine->SetParameter(kVoice00_NoteGate, 1.0);
}

void BM_Render(benchmark::State& state, Regime regime) {
  const int frames = static_cast<int>(state.range(0));
  Rig rig(frames);
  WaterEngine& engine = *rig.engine;
  switch (regime) {
    case kSustain:
      engine.SetParameter(kVoice00_NoteGate, 1.0);
      rig.RenderSeconds(2.0, frames);  // past the 0.9 s attack
      break;
    case kAttack:
      StartLongAttack(rig);
      break;
    case kSilence:
      engine.SetParameter(kVoice00_NoteGate, 1.0);
      rig.RenderSeconds(2.0, frames);
      engine.SetParameter(kVoice00_NoteGate, 0.0);
      rig.RenderSeconds(4.0, frames);  // the release stage lasts 3 x 0.9 s
      break;
  }

  long rendered = 0;
  for (auto _ : state) {
    if (regime == kAttack && engine.Envelope().stage != EnvelopeStage::kAttack) {
      state.PauseTiming();
      StartLongAttack(rig);
      state.ResumeTiming();
    }
    rig.Render(frames);
    benchmark::DoNotOptimize(rig.left.data());
    benchmark::ClobberMemory();
    rendered += frames;
  }
  if (regime == kSustain && engine.Envelope().stage != EnvelopeStage::kSustain) {
    state.SkipWithError("left sustain");
  }
  if (regime == kSilence && engine.Envelope().stage != EnvelopeStage::kIdle) {
    state.SkipWithError("not idle");
  }
  const double total = static_cast<double>(rendered);
  // (The library prints inverted rates with an "s" suffix; the value is in nanoseconds.)
  state.counters["ns_per_frame"] =
      benchmark::Counter(total * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(total / kRate, benchmark::Counter::kIsRate);
  state.SetItemsProcessed(rendered);
}

BENCHMARK_CAPTURE(BM_Render, sustain, kSustain)->ArgName("frames")->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(BM_Render, attack, kAttack)->ArgName("frames")->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(BM_Render, silence, kSilence)->ArgName("frames")->Arg(64)->Arg(512)->Arg(4096);

}  // namespace
}  // namespace fluvia

BENCHMARK_MAIN();
