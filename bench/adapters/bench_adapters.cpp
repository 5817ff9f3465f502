// The VST2 and VST3 process paths on the same blocks. Each module is loaded and driven the way
// its hosts drive it (VST3: process() with a context and an event list; VST2: the events
// opcode, then processReplacing, with the host answering the module's callbacks), both on a
// held note at 48 kHz. The two run block by block in turn inside one timing loop, so that
// both see the same machine load, and the counters give each path's time per block and the
// VST2 path's cost relative to the VST3 path.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/vst2host/vst2_host.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRate = 48000.0;

struct Modules {
  std::unique_ptr<fluvia::vst3host::Vst3Module> vst3;
  std::unique_ptr<fluvia::vst2host::Vst2Module> vst2;
  std::string error;

  Modules() {
    vst3 = fluvia::vst3host::Vst3Module::Load(FLUVIA_BENCH_VST3_BUNDLE, error);
    if (vst3) vst2 = fluvia::vst2host::Vst2Module::Load(FLUVIA_BENCH_VST2_MODULE, error);
  }
};

Modules& LoadedModules() {
  static Modules modules;
  return modules;
}

void BM_ProcessPath_Vst2AgainstVst3(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  Modules& modules = LoadedModules();
  if (!modules.vst2) {
    state.SkipWithError(modules.error.c_str());
    return;
  }
  fluvia::vst3host::HostApplication host{"bench_adapters"};
  std::string error;
  auto vst3 = fluvia::vst3host::Vst3Plugin::Create(*modules.vst3, host, error);
  auto vst2 = fluvia::vst2host::Vst2Instance::Create(*modules.vst2, error);
  if (!vst3 || !vst2 || !vst3->Start(kRate, frames, Steinberg::Vst::kSample32, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  vst2->RecordCalls(false);
  fluvia::vst2::TimeInfo time{};
  time.sampleRate = kRate;
  time.tempo = 120.0;
  time.flags = fluvia::vst2::kTempoValid | fluvia::vst2::kTransportPlaying;
  vst2->SetTime(time);
  vst2->Start(kRate, frames);

  const size_t n = static_cast<size_t>(frames);
  std::vector<float> left(n), right(n), silence(n, 0.0f);
  float* inputs[] = {silence.data(), silence.data()};
  float* outputs[] = {left.data(), right.data()};
  // An empty event list arrives with every VST2 block, as hosts send one per block.
  fluvia::vst2::EventList noEvents{0, 0, {nullptr, nullptr}};

  auto vst3Block = [&] {
    vst3->Process(left.data(), right.data(), frames);
    vst3->Events().Clear();
  };
  auto vst2Block = [&] {
    vst2->Dispatch(fluvia::vst2::kProcessEvents, 0, 0, &noEvents);
    vst2->ProcessReplacing(inputs, outputs, frames);
  };
  vst3->Events().NoteOn(60, 0.8f, 0);
  vst2->SendMidi({{0, {0x90, 60, 102}}});
  const int warmup = int(kRate * 2 / frames) + 1;  // past the attack, into the held note
  for (int i = 0; i < warmup; ++i) {
    vst3Block();
    vst2Block();
  }

  Clock::duration vst3Time{}, vst2Time{};
  bool vst2First = false;
  for (auto _ : state) {
    // The order alternates, so that neither path always runs on a warmer cache.
    vst2First = !vst2First;
    const auto t0 = Clock::now();
    if (vst2First) vst2Block(); else vst3Block();
    const auto t1 = Clock::now();
    if (vst2First) vst3Block(); else vst2Block();
    const auto t2 = Clock::now();
    (vst2First ? vst2Time : vst3Time) += t1 - t0;
    (vst2First ? vst3Time : vst2Time) += t2 - t1;
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }
  const double blocks = double(state.iterations());
  const double vst3Ns = std::chrono::duration<double, std::nano>(vst3Time).count() / blocks;
  const double vst2Ns = std::chrono::duration<double, std::nano>(vst2Time).count() / blocks;
  state.counters["vst3_ns_per_block"] = vst3Ns;
  state.counters["vst2_ns_per_block"] = vst2Ns;
  state.counters["vst2_over_vst3_pct"] = vst3Ns > 0.0 ? 100.0 * (vst2Ns - vst3Ns) / vst3Ns : 0.0;
  vst3->Stop();
}

BENCHMARK(BM_ProcessPath_Vst2AgainstVst3)->Arg(32)->Arg(128)->Arg(512)->Arg(2048)
    ->MinTime(2.0);

}  // namespace
BENCHMARK_MAIN();
