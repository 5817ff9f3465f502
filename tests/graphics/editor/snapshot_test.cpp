// The whole editor drawn: against the reference pictures, incremental redraws against full
// ones, and damaged artwork.
//
// The references in tests/graphics/reference/ come from the snapshot tool:
//   fluvia-snapshot --set large --out tests/graphics/reference/editor_large.png
//   fluvia-snapshot --set small --out tests/graphics/reference/editor_small.png
// Regenerate them (and look at them) whenever the artwork or the layout changes on purpose.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "graphics/bitmap_cache.h"
#include "graphics/editor_layout.h"
#include "graphics/knob_control.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"
#include "graphics/switch_control.h"
#include "graphics/text_control.h"
#include "graphics/value_readout.h"
#include "tests/graphics/editor/editor_fixture.h"
#include "tests/graphics/editor/surface_helpers.h"

namespace fluvia::testing {
namespace {

struct Difference {
  long differing = 0;  // pixels with a channel off by more than the threshold
  double mean = 0.0;   // mean absolute channel difference
  int largest = 0;
};

Difference Compare(const PixBitmap& a, const PixBitmap& b, int threshold) {
  Difference d;
  long long total = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const std::uint32_t p = PixelAt(a, x, y), q = PixelAt(b, x, y);
      int worst = 0;
      for (int shift : {0, 8, 16}) {
        const int delta = std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff));
        total += delta;
        worst = std::max(worst, delta);
      }
      d.largest = std::max(d.largest, worst);
      d.differing += worst > threshold;
    }
  }
  d.mean = double(total) / (3.0 * a.Width() * a.Height());
  return d;
}

class Editor : public EditorFixture {
 public:
  explicit Editor(ArtworkSet set, HeadlessOptions options = {})
      : EditorFixture(PluginApi::VST3, set, std::move(options)) {
    controls = BuildEditorLayout(graphics, plugin, set, nullptr, "/tmp");
    Attach();
    graphics.Tick();
  }
  const PixBitmap& Surface() { return *graphics.DrawSurface(); }
  EditorControls controls;
};

std::string Reference(const char* name) {
  return std::string(FLUVIA_GRAPHICS_REFERENCE_DIR) + "/" + name;
}

class SnapshotTest : public ::testing::TestWithParam<ArtworkSet> {};

TEST_P(SnapshotTest, EditorMatchesItsReferencePicture) {
  const bool small = GetParam() == ArtworkSet::Small;
  Editor editor(GetParam());
  const std::string path = Reference(small ? "editor_small.png" : "editor_large.png");
  std::unique_ptr<PixMemBitmap> reference(PixLoadPngFromFile(path.c_str(), true));
  ASSERT_NE(reference, nullptr) << "missing reference " << path;
  ASSERT_EQ(reference->Width(), editor.graphics.Width());
  ASSERT_EQ(reference->Height(), editor.graphics.Height());

  const Difference d = Compare(editor.Surface(), *reference, 24);
  const long pixels = long(reference->Width()) * reference->Height();
  // Text rendering may differ by a few antialiased edge pixels between font versions.
  if (d.differing > pixels / 500 || d.mean > 0.5) {
    const std::string actual = ::testing::TempDir() + (small ? "actual_small.png" : "actual_large.png");
    editor.graphics.SaveSurfacePng(actual);
    ADD_FAILURE() << d.differing << " pixels differ (mean " << d.mean << ", largest "
                  << d.largest << "); the editor as drawn now is in " << actual;
  }
}

TEST_P(SnapshotTest, RedrawingOnlyWhatIsDirtyGivesTheSamePictureAsDrawingEverything) {
  Editor incremental(GetParam());
  const int d = GetParam() == ArtworkSet::Small ? 2 : 1;
  // Turn knob 7 (SystemEnergyAmt), press an arrow, and show a new preset name.
  const IBounds knob = incremental.controls.rows[7]->Rect();
  incremental.graphics.Drag((knob.left + knob.right) / 2, (knob.top + knob.bottom) / 2,
                            (knob.left + knob.right) / 2, (knob.top + knob.bottom) / 2 - 40);
  incremental.graphics.Tick();
  // The pointer rests on the knob: its readout shows; going to the arrow takes it away.
  EXPECT_FALSE(incremental.controls.readout->Plate().Empty());
  incremental.graphics.MouseMove(100 / d, 100 / d);
  EXPECT_TRUE(incremental.controls.readout->Plate().Empty());
  incremental.graphics.MouseDown(100 / d, 100 / d);
  incremental.graphics.Tick();
  incremental.graphics.MouseUp(100 / d, 100 / d);
  incremental.graphics.Tick();
  incremental.controls.presetName->SetTextFromPlug("SFX - Heavy Rain");
  incremental.graphics.Tick();
  EXPECT_LT(incremental.graphics.LastScreenRegion().W(), incremental.graphics.Width());

  Editor full(GetParam());
  full.plugin.GetParam(kSystemEnergyAmt)->SetValue(incremental.plugin.GetParam(kSystemEnergyAmt)->Value());
  full.graphics.SetParameterFromPlug(kSystemEnergyAmt, incremental.controls.knobs[3]->Value(), true);
  full.controls.presetName->SetTextFromPlug("SFX - Heavy Rain");
  full.graphics.SetAllControlsDirty();
  full.graphics.Tick();
  EXPECT_NE(incremental.controls.knobs[3]->Value(), 0.3);
  const Difference diff = Compare(incremental.Surface(), full.Surface(), 0);
  EXPECT_EQ(diff.differing, 0) << "largest difference " << diff.largest;
}

// Switching a built editor to the other set in place gives exactly the picture of an editor
// built on that set.
TEST_P(SnapshotTest, AnEditorSwitchedToTheSetDrawsAsOneBuiltOnIt) {
  const ArtworkSet other = GetParam() == ArtworkSet::Small ? ArtworkSet::Large : ArtworkSet::Small;
  Editor switched(other);
  switched.controls.presetName->SetTextFromPlug("SFX - Heavy Rain");
  switched.graphics.Tick();
  SwitchEditorArtwork(switched.graphics, switched.controls, GetParam());
  switched.graphics.Tick();

  Editor built(GetParam());
  built.controls.presetName->SetTextFromPlug("SFX - Heavy Rain");
  built.graphics.Tick();
  ASSERT_EQ(switched.graphics.Width(), built.graphics.Width());
  ASSERT_EQ(switched.graphics.Height(), built.graphics.Height());
  const Difference diff = Compare(switched.Surface(), built.Surface(), 0);
  EXPECT_EQ(diff.differing, 0) << "largest difference " << diff.largest;
}

INSTANTIATE_TEST_SUITE_P(BothSets, SnapshotTest,
                         ::testing::Values(ArtworkSet::Large, ArtworkSet::Small),
                         [](const ::testing::TestParamInfo<ArtworkSet>& param) {
                           return param.param == ArtworkSet::Small ? "Small" : "Large";
                         });

TEST(Snapshot, TheFirstSwitchToASetDecodesOnlyThatSet) {
  // An image source of its own, so that no other editor of the process has decoded anything.
  HeadlessOptions own;
  own.missingImages.insert(999);
  EditorFixture f(PluginApi::VST3, ArtworkSet::Large, own);
  const EditorControls controls = BuildEditorLayout(f.graphics, f.plugin, ArtworkSet::Large,
                                                    nullptr, "/tmp");
  f.Attach();
  const int largeSource = f.graphics.ImageSource();
  SwitchEditorArtwork(f.graphics, controls, ArtworkSet::Small);
  const int smallSource = f.graphics.ImageSource();
  ASSERT_NE(largeSource, smallSource);
  f.graphics.Tick();
  for (int id = 101; id <= 117; ++id) {
    EXPECT_NE(FindCachedBitmap(smallSource, id), nullptr) << id;
    EXPECT_EQ(FindCachedBitmap(largeSource, id), nullptr) << id;
  }
}

TEST(Snapshot, DamagedOrMissingArtworkLeavesJustThoseControlsBlank) {
  HeadlessOptions damaged;
  damaged.imageOverrides[107] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I'};
  damaged.imageOverrides[103] = {};
  damaged.missingImages.insert(117);
  Editor broken(ArtworkSet::Large, damaged);
  EXPECT_TRUE(broken.graphics.WindowIsOpen());
  EXPECT_EQ(broken.controls.knobs[3]->Strip().Bitmap(), nullptr);  // row 7 uses image 107
  EXPECT_EQ(static_cast<IBitmapControl*>(broken.controls.rows[3])->Strip().Bitmap(), nullptr);
  EXPECT_EQ(broken.controls.presetBackward->Strip().Bitmap(), nullptr);
  // Everything else still loaded and the knob still works.
  EXPECT_NE(broken.controls.knobs[4]->Strip().Bitmap(), nullptr);
  broken.graphics.Drag(500, 290, 500, 250);
  EXPECT_GT(broken.plugin.GetParam(kSystemEnergyAmt)->Value(), 0.3);
  broken.graphics.Drag(500, 250, 500, 290);
  broken.graphics.MouseLeave();  // the knob's readout goes with the pointer
  broken.graphics.SetAllControlsDirty();
  broken.graphics.Tick();

  // The same picture as a sound editor with those three controls hidden.
  Editor sound(ArtworkSet::Large);
  sound.controls.rows[3]->Hide(true);
  sound.controls.rows[7]->Hide(true);
  sound.controls.rows[16]->Hide(true);
  sound.graphics.SetParameterFromPlug(kSystemEnergyAmt,
                                      broken.plugin.GetParam(kSystemEnergyAmt)->Value(), false);
  sound.graphics.SetAllControlsDirty();
  sound.graphics.Tick();
  const Difference diff = Compare(broken.Surface(), sound.Surface(), 0);
  EXPECT_EQ(diff.differing, 0);
}

}  // namespace
}  // namespace fluvia::testing
