// Editor redraw cost: the whole large editor, and the redraw after one knob moves (what the
// 40 ms timer does while the user turns a knob). Also reports the decoded artwork the process
// holds, once, however many editors exist.

#include <benchmark/benchmark.h>

#include <memory>

#include "framework/plugin_core.h"
#include "graphics/bitmap_cache.h"
#include "graphics/editor_layout.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/pix/pix_bitmap.h"

namespace fluvia {
namespace {

constexpr int kSystemEnergyAmt = 18;

// Just enough of the instrument: 26 parameters on 0..1.
class BenchCore : public IPluginCore {
 public:
  BenchCore() : IPluginCore(Config()) {
    for (int i = 0; i < NumParams(); ++i) GetParam(i)->InitRange("p", 0.3, 0.0, 1.0, 0.00001);
  }

 private:
  static PluginConfig Config() {
    PluginConfig config;
    config.numParams = 26;
    return config;
  }
};

struct Editor {
  explicit Editor(ArtworkSet set, HeadlessOptions options = {}, bool draw = true) {
    auto owned = std::make_unique<IGraphicsHeadless>(core, set, std::move(options));
    graphics = owned.get();
    controls = BuildEditorLayout(*graphics, core, set, nullptr, "");
    core.AttachEditor(std::move(owned));
    graphics->OpenWindow(nullptr);
    while (draw && graphics->Tick()) {
    }
  }
  BenchCore core;
  IGraphicsHeadless* graphics = nullptr;
  EditorControls controls;
};

void FullRedraw(benchmark::State& state, ArtworkSet set) {
  Editor editor(set);
  IGraphicsHeadless& g = *editor.graphics;
  const IBounds all(0, 0, g.Width(), g.Height());
  for (auto _ : state) {
    g.SetAllControlsDirty();
    g.Draw(all);
    benchmark::DoNotOptimize(g.DrawSurface()->Pixels());
  }
  state.counters["artwork_bytes"] = double(BitmapCacheBytes());
}

void BM_FullRedrawLarge(benchmark::State& state) { FullRedraw(state, ArtworkSet::Large); }
void BM_FullRedrawSmall(benchmark::State& state) { FullRedraw(state, ArtworkSet::Small); }

// One timer tick after the plug-in moved a knob: poll, then draw the dirty union.
void BM_DirtyRedrawOneKnob(benchmark::State& state) {
  Editor editor(ArtworkSet::Large);
  IGraphicsHeadless& g = *editor.graphics;
  int step = 0;
  long pixels = 0;
  for (auto _ : state) {
    g.SetParameterFromPlug(kSystemEnergyAmt, (step++ % 29) / 28.0, true);
    IBounds dirty;
    if (g.IsDirty(dirty)) g.Draw(dirty);
    pixels = long(dirty.W()) * dirty.H();
  }
  state.counters["region_pixels"] = double(pixels);
}

// The user drags the knob: the same, driven through the mouse (which also tells the plug-in).
void BM_DragOneKnob(benchmark::State& state) {
  Editor editor(ArtworkSet::Large);
  IGraphicsHeadless& g = *editor.graphics;
  g.MouseDown(500, 290);
  int y = 290;
  int direction = -1;
  for (auto _ : state) {
    y += direction;
    if (y < 150 || y > 430) direction = -direction;
    g.MouseMove(500, y, IGraphicsHeadless::LeftButton());
    IBounds dirty;
    if (g.IsDirty(dirty)) g.Draw(dirty);
  }
  g.MouseUp(500, y);
}

// The person switches the editor size, both sets decoded already: the controls take the other
// set and the editor is drawn whole at its new size. Target: under 50 ms.
void BM_SwitchEditorSize(benchmark::State& state) {
  Editor editor(ArtworkSet::Large);
  SwitchEditorArtwork(*editor.graphics, editor.controls, ArtworkSet::Small);
  editor.graphics->Tick();
  ArtworkSet next = ArtworkSet::Large;
  for (auto _ : state) {
    SwitchEditorArtwork(*editor.graphics, editor.controls, next);
    editor.graphics->Tick();
    next = next == ArtworkSet::Large ? ArtworkSet::Small : ArtworkSet::Large;
  }
}

// The first switch of a Large editor that was never drawn to Small: only the small set is
// decoded (each editor here has an image source of its own, so nothing is cached before).
void BM_FirstSwitchToSmall(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    HeadlessOptions own;
    own.missingImages.insert(999);
    Editor editor(ArtworkSet::Large, own, false);
    state.ResumeTiming();
    SwitchEditorArtwork(*editor.graphics, editor.controls, ArtworkSet::Small);
    editor.graphics->Tick();
  }
}

void BM_BothArtworkSetsHeldOnce(benchmark::State& state) {
  for (auto _ : state) {
    Editor large(ArtworkSet::Large);
    Editor small(ArtworkSet::Small);
    Editor another(ArtworkSet::Large);
    benchmark::DoNotOptimize(another.graphics);
  }
  state.counters["artwork_bytes"] = double(BitmapCacheBytes());
  state.counters["cached_images"] = double(BitmapCacheCount());
}

BENCHMARK(BM_FullRedrawLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRedrawSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirtyRedrawOneKnob)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragOneKnob)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwitchEditorSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSwitchToSmall)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BothArtworkSetsHeldOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace fluvia

BENCHMARK_MAIN();
