// StereoUpsampler on a noise-like signal: the cost per input frame at each ratio. The process
// path at a high host rate adds this to the engine's cost per engine frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/stereo_upsampler.h"

namespace fluvia {
namespace {

void BM_Upsample(benchmark::State& state) {
  const int ratio = static_cast<int>(state.range(0));
  const int frames = 512;
  StereoUpsampler upsampler;
  upsampler.Configure(ratio, 48000.0);
  std::vector<double> inLeft(frames), inRight(frames), outLeft(frames * ratio), outRight(frames * ratio);
  unsigned seed = 1;
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    inLeft[size_t(i)] = double(seed >> 8) / double(1u << 24) - 0.5;
    inRight[size_t(i)] = -inLeft[size_t(i)] * 0.5;
  }
  for (auto _ : state) {
    upsampler.Process(inLeft.data(), inRight.data(), frames, outLeft.data(), outRight.data());
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_input_frame"] = benchmark::Counter(
      double(state.iterations()) * frames * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_Upsample)->Arg(2)->Arg(4)->Arg(8)->Arg(16);

}  // namespace
}  // namespace fluvia
