// The VST2 and VST3 process paths on the same blocks, and the LV2 path beside the VST3 path. Each module is loaded and driven the way
// its hosts drive it (VST3: process() with a context and an event list; VST2: the events
// opcode, then processReplacing, with the host answering the module's callbacks), both on a
// held note at 48 kHz; LV2: run() with an atom sequence holding the block's events and the
// control ports read). The two of a pair run block by block in turn inside one timing loop, so
// that both see the same machine load, and the counters give each path's time per block and
// the other path's cost relative to the VST3 path.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#ifdef FLUVIA_BENCH_LV2_BUNDLE
#include "adapters/lv2/lv2_ports.h"
#include "adapters/lv2/lv2_uris.h"
#include "instrument/fluvia.h"
#include "tools/lv2host/lv2_host.h"
#endif
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

#ifdef FLUVIA_BENCH_LV2_BUNDLE
// The LV2 module's control port defaults, from the port table its description is made of.
std::vector<float> Lv2Defaults() {
  fluvia::FluviaOptions options;
  options.api = fluvia::PluginApi::LV2;
  options.presetFolder = "/nonexistent/fluvia-bench";
  fluvia::Fluvia instrument(options);
  std::vector<float> defaults;
  for (const auto& port : fluvia::Lv2ControlPorts(instrument)) defaults.push_back(port.defaultValue);
  return defaults;
}

void BM_ProcessPath_Lv2AgainstVst3(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  Modules& modules = LoadedModules();
  std::string error;
  static std::unique_ptr<fluvia::lv2host::Lv2Module> lv2Module =
      fluvia::lv2host::Lv2Module::Load(FLUVIA_BENCH_LV2_BUNDLE, fluvia::kLv2BinaryName,
                                       fluvia::kLv2PluginUri, error);
  if (!modules.vst3 || !lv2Module) {
    state.SkipWithError(error.empty() ? modules.error.c_str() : error.c_str());
    return;
  }
  fluvia::vst3host::HostApplication host{"bench_adapters"};
  auto vst3 = fluvia::vst3host::Vst3Plugin::Create(*modules.vst3, host, error);
  fluvia::lv2host::Lv2Instance::Options options;
  options.sampleRate = kRate;
  options.maxBlock = frames;
  static const std::vector<float> defaults = Lv2Defaults();
  auto lv2 = fluvia::lv2host::Lv2Instance::Create(*lv2Module, defaults,
                                                   fluvia::kLv2FirstControlPort, options, error);
  if (!vst3 || !lv2 || !vst3->Start(kRate, frames, Steinberg::Vst::kSample32, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const size_t n = static_cast<size_t>(frames);
  std::vector<float> left(n), right(n);
  // Both hosts hand over their (empty) event containers with every block.
  auto vst3Block = [&] {
    vst3->Process(left.data(), right.data(), frames);
    vst3->Events().Clear();
  };
  auto lv2Block = [&] { lv2->Run(left.data(), right.data(), uint32_t(frames)); };
  vst3->Events().NoteOn(60, 0.8f, 0);
  lv2->NoteOn(0, 60, 102);
  const int warmup = int(kRate * 2 / frames) + 1;
  for (int i = 0; i < warmup; ++i) {
    vst3Block();
    lv2Block();
  }
  Clock::duration vst3Time{}, lv2Time{};
  bool lv2First = false;
  for (auto _ : state) {
    lv2First = !lv2First;
    const auto t0 = Clock::now();
    if (lv2First) lv2Block(); else vst3Block();
    const auto t1 = Clock::now();
    if (lv2First) vst3Block(); else lv2Block();
    const auto t2 = Clock::now();
    (lv2First ? lv2Time : vst3Time) += t1 - t0;
    (lv2First ? vst3Time : lv2Time) += t2 - t1;
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }
  const double blocks = double(state.iterations());
  const double vst3Ns = std::chrono::duration<double, std::nano>(vst3Time).count() / blocks;
  const double lv2Ns = std::chrono::duration<double, std::nano>(lv2Time).count() / blocks;
  state.counters["vst3_ns_per_block"] = vst3Ns;
  state.counters["lv2_ns_per_block"] = lv2Ns;
  state.counters["lv2_over_vst3_pct"] = vst3Ns > 0.0 ? 100.0 * (lv2Ns - vst3Ns) / vst3Ns : 0.0;
  vst3->Stop();
}

BENCHMARK(BM_ProcessPath_Lv2AgainstVst3)->Arg(32)->Arg(128)->Arg(512)->Arg(2048)->MinTime(2.0);
#endif

BENCHMARK(BM_ProcessPath_Vst2AgainstVst3)->Arg(32)->Arg(128)->Arg(512)->Arg(2048)
    ->MinTime(2.0);

}  // namespace
BENCHMARK_MAIN();
