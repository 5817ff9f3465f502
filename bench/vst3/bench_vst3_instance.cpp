// What one instance of the built Fluvia.vst3 costs the host that loads it, measured through
// the VST3 interfaces only:
//   - creating and initialising an instance (component, controller, connection) without
//     opening its editor, as a host scanning plug-ins or rendering a project does: time, and
//     the heap memory one more live instance holds;
//   - opening the editor into an X11 window up to its first complete picture: the first open
//     in the process (which decodes the artwork) and every later one.
// The editor runs under a private Xvfb, started here.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "tests/graphics/x11/test_display.h"
#include "tests/vst3/host_frame.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

// Xlib last: its macros would break the headers above.
#include <X11/Xlib.h>

namespace fluvia::vst3test {
namespace {

using Clock = std::chrono::steady_clock;

vst3host::Vst3Module& Module() {
  static std::unique_ptr<vst3host::Vst3Module> module = [] {
    std::string error;
    auto loaded = vst3host::Vst3Module::Load(FLUVIA_BENCH_VST3_BUNDLE, error);
    if (!loaded) std::fprintf(stderr, "cannot load %s: %s\n", FLUVIA_BENCH_VST3_BUNDLE,
                              error.c_str());
    return loaded;
  }();
  return *module;
}

vst3host::HostApplication& Host() {
  static vst3host::HostApplication host;
  return host;
}

std::unique_ptr<vst3host::Vst3Plugin> CreateInstance() {
  std::string error;
  return vst3host::Vst3Plugin::Create(Module(), Host(), error);
}

// Live heap bytes (small blocks and mapped large ones).
double HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd);
}

// What a host does to have an instance: the factory creates the component, which is
// initialised with the host's context (this plug-in is its own controller). Only the
// plug-in's own memory is in it, none of a test harness's buffers.
class BareInstance {
 public:
  BareInstance() {
    IPluginFactory* factory = Module().Factory();
    for (int32 i = 0; factory && i < factory->countClasses(); ++i) {
      PClassInfo info{};
      if (factory->getClassInfo(i, &info) != kResultOk ||
          std::strcmp(info.category, kVstAudioEffectClass) != 0) {
        continue;
      }
      void* made = nullptr;
      if (factory->createInstance(info.cid, Vst::IComponent::iid, &made) == kResultOk && made) {
        component_ = static_cast<Vst::IComponent*>(made);
        if (component_->initialize(&Host()) != kResultOk) Release();
      }
      break;
    }
  }
  ~BareInstance() { Release(); }
  bool Ok() const { return component_ != nullptr; }

 private:
  void Release() {
    if (!component_) return;
    component_->terminate();
    component_->release();
    component_ = nullptr;
  }
  Vst::IComponent* component_ = nullptr;
};

// Creates and initialises instances, each kept alive until the next is made, and reports the
// heap the last one holds.
void CreateInstances(benchmark::State& state) {
  double heapPerInstance = 0.0;
  for (auto _ : state) {
    const double before = HeapBytes();
    auto instance = std::make_unique<BareInstance>();
    state.PauseTiming();
    heapPerInstance = HeapBytes() - before;
    if (!instance->Ok()) state.SkipWithError("the instance could not be created");
    instance.reset();
    state.ResumeTiming();
  }
  state.counters["heap_MB"] = heapPerInstance / 1e6;
}

// The first instance after the module is loaded: whatever the process sets up once (a scan).
void BM_FirstInstanceInProcess(benchmark::State& state) {
  Module();
  CreateInstances(state);
}

// Every further instance, as in a project with many of them.
void BM_CreateInstanceWithoutEditor(benchmark::State& state) { CreateInstances(state); }

// The editor of a live instance in a window of the "host", opened and drawn once.
class EditorSession {
 public:
  EditorSession() {
    std::string why;
    if (!testing::StartTestDisplay(why)) {
      error = "no X server: " + why;
      return;
    }
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
      error = "cannot connect to the X server";
      return;
    }
    parent_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1000, 960, 0, 0, 0);
    XMapWindow(display_, parent_);
    XSync(display_, False);
    plugin_ = CreateInstance();
    if (!plugin_) error = "the instance could not be created";
  }
  ~EditorSession() {
    plugin_.reset();
    if (display_) {
      XDestroyWindow(display_, parent_);
      XCloseDisplay(display_);
    }
  }

  // Opens the editor and runs the host's loop until the first picture is on the screen;
  // returns the seconds it took.
  double Open() {
    const auto start = Clock::now();
    view_ = plugin_->Controller()->createView("editor");
    if (!view_) {
      error = "no editor view";
      return 0.0;
    }
    view_->setFrame(&frame_);
    if (view_->attached(reinterpret_cast<void*>(parent_), kPlatformTypeX11EmbedWindowID) !=
        kResultOk) {
      error = "the editor did not attach";
      return 0.0;
    }
    frame_.Turn();
    XSync(display_, False);  // the server has the picture
    return std::chrono::duration<double>(Clock::now() - start).count();
  }
  void Close() {
    if (!view_) return;
    view_->removed();
    view_->release();
    view_ = nullptr;
  }

  std::string error;

 private:
  Display* display_ = nullptr;
  Window parent_ = 0;
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
  HostFrame frame_;
  IPlugView* view_ = nullptr;
};

// Opens and closes the editor of one instance, timing each open.
void OpenEditors(benchmark::State& state) {
  EditorSession session;
  for (auto _ : state) {
    if (!session.error.empty()) break;
    state.SetIterationTime(session.Open());
    state.PauseTiming();
    session.Close();
    state.ResumeTiming();
  }
  if (!session.error.empty()) state.SkipWithError(session.error.c_str());
}

// Runs once: only the first editor of a process decodes the artwork.
void BM_FirstEditorOpenInProcess(benchmark::State& state) { OpenEditors(state); }

void BM_LaterEditorOpen(benchmark::State& state) { OpenEditors(state); }

BENCHMARK(BM_FirstInstanceInProcess)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CreateInstanceWithoutEditor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstEditorOpenInProcess)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_LaterEditorOpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
}  // namespace fluvia::vst3test

BENCHMARK_MAIN();
