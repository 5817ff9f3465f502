// The VST2, CLAP and LV2 process paths each against the VST3 path on the same blocks. Each module
// is loaded and driven the way its hosts drive it (VST3: process() with a context and an event
// list; VST2: the events opcode, then processReplacing, with the host answering the module's
// callbacks; CLAP: process() with a transport and event lists; LV2: run() with an atom sequence
// holding the block's events and the control ports read), all on a held note at 48 kHz. The two
// of a pair run block by block in turn inside one timing loop, so that both see the same machine
// load, and the counters give each path's time per block and the other path's cost relative to
// the VST3 path.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef FLUVIA_BENCH_CLAP_MODULE
#include "tools/claphost/clap_host.h"
#include "tools/claphost/clap_instance.h"
#endif
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
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

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

#ifdef FLUVIA_BENCH_CLAP_MODULE
void BM_ProcessPath_ClapAgainstVst3(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  Modules& modules = LoadedModules();
  if (!modules.vst3) {
    state.SkipWithError(modules.error.c_str());
    return;
  }
  std::string error;
  static std::unique_ptr<fluvia::claphost::ClapModule> clapModule =
      fluvia::claphost::ClapModule::Load(FLUVIA_BENCH_CLAP_MODULE, error);
  if (!clapModule) {
    state.SkipWithError(error.c_str());
    return;
  }
  fluvia::vst3host::HostApplication host{"bench_adapters"};
  fluvia::claphost::ClapHost clapHost{"bench_adapters"};
  auto vst3 = fluvia::vst3host::Vst3Plugin::Create(*modules.vst3, host, error);
  auto clap = fluvia::claphost::ClapInstance::Create(*clapModule, clapHost, error);
  if (!vst3 || !clap || !vst3->Start(kRate, frames, Steinberg::Vst::kSample32, error) ||
      !clap->Start(kRate, 1, uint32_t(frames))) {
    state.SkipWithError(error.empty() ? "the CLAP instance did not start" : error.c_str());
    return;
  }
  const size_t n = static_cast<size_t>(frames);
  std::vector<float> left(n), right(n);
  auto vst3Block = [&] {
    vst3->Process(left.data(), right.data(), frames);
    vst3->Events().Clear();
  };
  auto clapBlock = [&] {
    clap->Process(left.data(), right.data(), uint32_t(frames));
    clap->Events().Clear();
  };
  vst3->Events().NoteOn(60, 0.8f, 0);
  clap->Events().NoteOn(60, 0.8, 0);
  const int warmup = int(kRate * 2 / frames) + 1;  // past the attack, into the held note
  for (int i = 0; i < warmup; ++i) {
    vst3Block();
    clapBlock();
  }

  Clock::duration vst3Time{}, clapTime{};
  bool clapFirst = false;
  for (auto _ : state) {
    // The order alternates, so that neither path always runs on a warmer cache.
    clapFirst = !clapFirst;
    const auto t0 = Clock::now();
    if (clapFirst) clapBlock(); else vst3Block();
    const auto t1 = Clock::now();
    if (clapFirst) vst3Block(); else clapBlock();
    const auto t2 = Clock::now();
    (clapFirst ? clapTime : vst3Time) += t1 - t0;
    (clapFirst ? vst3Time : clapTime) += t2 - t1;
    benchmark::DoNotOptimize(left.data());
    benchmark::ClobberMemory();
  }
  const double blocks = double(state.iterations());
  const double vst3Ns = std::chrono::duration<double, std::nano>(vst3Time).count() / blocks;
  const double clapNs = std::chrono::duration<double, std::nano>(clapTime).count() / blocks;
  state.counters["vst3_ns_per_block"] = vst3Ns;
  state.counters["clap_ns_per_block"] = clapNs;
  state.counters["clap_over_vst3_pct"] = vst3Ns > 0.0 ? 100.0 * (clapNs - vst3Ns) / vst3Ns : 0.0;
  vst3->Stop();
  clap->Stop();
}

BENCHMARK(BM_ProcessPath_ClapAgainstVst3)->Arg(32)->Arg(128)->Arg(512)->Arg(2048)
    ->MinTime(2.0);

// Live heap bytes (small blocks and mapped large ones).
double HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd);
}

// An instance without its editor, as a host scanning plug-ins or rendering a project makes
// one: created and initialised through each format's own factory, in turn. The counters give
// each format's time and the heap one more live instance holds.
void BM_InstanceWithoutEditor_ClapAgainstVst3(benchmark::State& state) {
  using namespace Steinberg;
  Modules& modules = LoadedModules();
  std::string error;
  static std::unique_ptr<fluvia::claphost::ClapModule> clapModule =
      fluvia::claphost::ClapModule::Load(FLUVIA_BENCH_CLAP_MODULE, error);
  if (!modules.vst3 || !clapModule) {
    state.SkipWithError("a module did not load");
    return;
  }
  static fluvia::vst3host::HostApplication host{"bench_adapters"};
  static fluvia::claphost::ClapHost clapHost{"bench_adapters"};
  IPluginFactory* factory = modules.vst3->Factory();
  PClassInfo info{};
  for (int32 i = 0; factory && i < factory->countClasses(); ++i) {
    if (factory->getClassInfo(i, &info) == kResultOk &&
        std::strcmp(info.category, kVstAudioEffectClass) == 0) {
      break;
    }
  }
  const fluvia::clap::PluginFactory* clapFactory = clapModule->Factory();
  Clock::duration vst3Time{}, clapTime{};
  double vst3Heap = 0.0, clapHeap = 0.0;
  for (auto _ : state) {
    double before = HeapBytes();
    auto t0 = Clock::now();
    void* made = nullptr;
    factory->createInstance(info.cid, Vst::IComponent::iid, &made);
    auto* component = static_cast<Vst::IComponent*>(made);
    if (component) component->initialize(&host);
    vst3Time += Clock::now() - t0;
    vst3Heap = HeapBytes() - before;

    before = HeapBytes();
    t0 = Clock::now();
    const fluvia::clap::Plugin* plugin =
        clapFactory->createPlugin(clapFactory, clapHost.Record(), "audio.velmora.fluvia");
    if (plugin) plugin->init(plugin);
    clapTime += Clock::now() - t0;
    clapHeap = HeapBytes() - before;

    if (!component || !plugin) state.SkipWithError("an instance could not be created");
    if (component) {
      component->terminate();
      component->release();
    }
    if (plugin) plugin->destroy(plugin);
  }
  const double n = double(state.iterations());
  state.counters["vst3_us"] = std::chrono::duration<double, std::micro>(vst3Time).count() / n;
  state.counters["clap_us"] = std::chrono::duration<double, std::micro>(clapTime).count() / n;
  state.counters["vst3_heap_MB"] = vst3Heap / 1e6;
  state.counters["clap_heap_MB"] = clapHeap / 1e6;
}

BENCHMARK(BM_InstanceWithoutEditor_ClapAgainstVst3)->Iterations(50);
#endif

}  // namespace
BENCHMARK_MAIN();
