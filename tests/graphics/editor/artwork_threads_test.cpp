// Two editors of the process drawn for the first time at once, each on its own thread (two
// hosts' windows, or a host that opens editors on several threads): the artwork is decoded
// once and shared. Run under ThreadSanitizer.

#include <gtest/gtest.h>

#include <thread>

#include "graphics/editor_layout.h"
#include "graphics/knob_control.h"
#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

TEST(Artwork, EditorsFirstDrawnOnTwoThreadsShareOneDecodedImage) {
  EditorFixture first(PluginApi::VST2, ArtworkSet::Small);
  EditorFixture second(PluginApi::VST2, ArtworkSet::Small);
  EditorControls controls[2];
  EditorFixture* fixtures[2] = {&first, &second};
  std::thread threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = std::thread([&, i] {
      EditorFixture& f = *fixtures[i];
      controls[i] = BuildEditorLayout(f.graphics, f.plugin, ArtworkSet::Small, nullptr, "/p");
      f.Attach();
      f.graphics.Tick();
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int knob = 0; knob < EditorControls::kNumKnobs; ++knob) {
    const PixBitmap* a = controls[0].knobs[knob]->Strip().Bitmap();
    ASSERT_NE(a, nullptr) << knob;
    EXPECT_EQ(a, controls[1].knobs[knob]->Strip().Bitmap()) << knob;
  }
}

}  // namespace
}  // namespace fluvia::testing
