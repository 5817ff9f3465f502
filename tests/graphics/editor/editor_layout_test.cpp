// The instrument editor's layout: every row's class, place, image and parameter, both sets.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "graphics/bitmap_cache.h"
#include "graphics/bitmap_control.h"
#include "graphics/editor_layout.h"
#include "graphics/file_selector_control.h"
#include "graphics/knob_control.h"
#include "graphics/panel_control.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/switch_control.h"
#include "graphics/text_control.h"
#include "graphics/value_readout.h"
#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

enum class Class { Bitmap, Knob, Panel, Text, Selector, Contact, FileOpen, FileSave };

struct Row {
  Class kind;
  IBounds rect;  // large set
  int image;
  int param;
};

// Written out from the product's layout sheet, not from the code under test.
const Row kExpected[] = {
    {Class::Bitmap, {0, 0, 2000, 2000}, 101, -1},
    {Class::Bitmap, {0, 0, 1000, 1000}, 116, -1},
    {Class::Bitmap, {0, 0, 1000, 60}, 102, -1},
    {Class::Bitmap, {50, 160, 950, 880}, 117, -1},
    {Class::Knob, {642, 740, 742, 820}, 109, 0},
    {Class::Knob, {790, 740, 890, 820}, 110, 1},
    {Class::Knob, {420, 682, 580, 842}, 108, 17},
    {Class::Knob, {420, 210, 580, 370}, 107, 18},
    {Class::Knob, {730, 446, 890, 606}, 112, 2},
    {Class::Knob, {730, 210, 890, 370}, 113, 3},
    {Class::Knob, {110, 210, 270, 370}, 111, 9},
    {Class::Knob, {420, 446, 580, 606}, 115, 10},
    {Class::Knob, {110, 446, 270, 606}, 114, 11},
    {Class::Panel, {120, 80, 880, 130}, 0, -1},
    {Class::Text, {120, 86, 880, 130}, 0, -1},
    {Class::Selector, {120, 80, 880, 130}, 0, -1},
    {Class::Contact, {80, 80, 120, 130}, 103, 12},
    {Class::Contact, {880, 80, 920, 130}, 104, 13},
    {Class::Bitmap, {0, 80, 80, 130}, 105, -1},
    {Class::Bitmap, {920, 80, 1000, 130}, 106, -1},
    {Class::FileOpen, {0, 80, 80, 130}, 105, 14},
    {Class::FileSave, {920, 80, 1000, 130}, 106, 15},
};

struct ImageSize {
  int id, width, height;
};
const ImageSize kImageSizes[] = {
    {101, 2000, 2000}, {102, 1000, 60}, {103, 40, 50},    {104, 40, 50},    {105, 80, 50},
    {106, 80, 50},     {107, 160, 4640}, {108, 160, 4640}, {109, 100, 2320}, {110, 100, 2320},
    {111, 160, 4640},  {112, 160, 4640}, {113, 160, 4640}, {114, 160, 4640}, {115, 160, 4640},
    {116, 1000, 1000}, {117, 900, 720},
};

ImageSize SizeOf(int id) {
  for (const ImageSize& size : kImageSizes) {
    if (size.id == id) return size;
  }
  return {0, 0, 0};
}

bool AllOpaque(const PixBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (bitmap.Pixels()[y * bitmap.RowSpan() + x] >> 24 != 255) return false;
    }
  }
  return true;
}

// The strip a control draws, if it draws one.
const IBitmapStrip* StripOf(IControl* control) {
  if (auto* knob = dynamic_cast<IKnobMultiControl*>(control)) return &knob->Strip();
  if (auto* selector = dynamic_cast<IFileSelectorControl*>(control)) return &selector->Strip();
  if (auto* bitmap = dynamic_cast<IBitmapControl*>(control)) return &bitmap->Strip();
  return nullptr;
}

bool IsClass(IControl* c, Class kind, IControl* selector) {
  switch (kind) {
    case Class::Bitmap:
      return dynamic_cast<IBitmapControl*>(c) && !dynamic_cast<ISwitchControl*>(c);
    case Class::Knob: return dynamic_cast<IKnobMultiControl*>(c) != nullptr;
    case Class::Panel: return dynamic_cast<IPanelControl*>(c) != nullptr;
    case Class::Text: return dynamic_cast<ITextControl*>(c) != nullptr;
    case Class::Selector: return c == selector;
    case Class::Contact: return dynamic_cast<IContactControl*>(c) != nullptr;
    case Class::FileOpen:
    case Class::FileSave: {
      auto* f = dynamic_cast<IFileSelectorControl*>(c);
      return f && f->Mode() == (kind == Class::FileSave ? IFileSelectorControl::kSave
                                                        : IFileSelectorControl::kOpen);
    }
  }
  return false;
}

class LayoutTest : public ::testing::TestWithParam<ArtworkSet> {
 protected:
  LayoutTest() : f(PluginApi::VST3, GetParam()) {
    auto selector = std::make_unique<ProbeControl>(f.plugin, Half(IBounds(120, 80, 880, 130)),
                                                   "selector", f.log);
    selectorProbe = selector.get();
    controls = BuildEditorLayout(f.graphics, f.plugin, GetParam(), std::move(selector),
                                 "/presets/VelmoraAudio/Fluvia/Presets");
    f.Attach();
  }
  int Divisor() const { return GetParam() == ArtworkSet::Small ? 2 : 1; }
  IBounds Half(const IBounds& r) const {
    const int d = Divisor();
    return {r.left / d, r.top / d, r.right / d, r.bottom / d};
  }

  EditorFixture f;
  ProbeControl* selectorProbe = nullptr;
  EditorControls controls;
};

TEST(Layout, RowRectanglesOutsideTheRowsAreEmpty) {
  EXPECT_TRUE(EditorRowRect(0, ArtworkSet::Large).Empty());  // the backdrop: its image's size
  EXPECT_TRUE(EditorRowRect(22, ArtworkSet::Large).Empty());
  EXPECT_TRUE(EditorRowRect(-1, ArtworkSet::Small).Empty());
  EXPECT_EQ(EditorRowRect(4, ArtworkSet::Small), IBounds(321, 370, 371, 410));
}

TEST_P(LayoutTest, EditorSizeAndRate) {
  EXPECT_EQ(f.graphics.Width(), 1000 / Divisor());
  EXPECT_EQ(f.graphics.Height(), 960 / Divisor());
  EXPECT_EQ(f.graphics.FrameRate(), 25);
}

TEST(Layout, ArtworkIsDecodedWhenTheEditorFirstDraws) {
  // An image source of its own, so no other test's editor has decoded anything for it.
  HeadlessOptions own;
  own.missingImages.insert(999);
  EditorFixture f(PluginApi::VST3, ArtworkSet::Large, own);
  const EditorControls controls =
      BuildEditorLayout(f.graphics, f.plugin, ArtworkSet::Large, nullptr, "/presets");
  f.Attach();
  const IBitmapStrip& knob = controls.knobs[0]->Strip();
  const IBounds backdrop = f.graphics.GetControl(0)->Rect();
  // Nothing decoded yet, though the layout already knows every image's size.
  EXPECT_EQ(knob.Bitmap(), nullptr);
  EXPECT_EQ(FindCachedBitmap(f.graphics.ImageSource(), 101), nullptr);

  f.graphics.Tick();  // the first drawing
  PixBitmap* knobBitmap = knob.Bitmap();
  PixBitmap* backdropBitmap = FindCachedBitmap(f.graphics.ImageSource(), 101);
  ASSERT_NE(knobBitmap, nullptr);
  ASSERT_NE(backdropBitmap, nullptr);
  EXPECT_EQ(knobBitmap, FindCachedBitmap(f.graphics.ImageSource(), 109));
  EXPECT_EQ(knob.width, knobBitmap->Width());
  EXPECT_EQ(knob.height, knobBitmap->Height());
  EXPECT_EQ(backdrop, IBounds(0, 0, backdropBitmap->Width(), backdropBitmap->Height()));
}

TEST_P(LayoutTest, EveryRowHasItsClassRectangleImageAndParameter) {
  ASSERT_EQ(f.graphics.NumControls(), 23);  // the rows, then the knobs' readout on top
  EXPECT_EQ(f.graphics.GetControl(22), controls.readout);
  EXPECT_TRUE(f.graphics.HandlesMouseOver());
  f.graphics.LoadArtwork();
  for (int row = 0; row < 22; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    const Row& expected = kExpected[row];
    IControl* control = f.graphics.GetControl(row);
    EXPECT_EQ(controls.rows[row], control);
    EXPECT_TRUE(IsClass(control, expected.kind, selectorProbe));
    EXPECT_EQ(control->Rect(), Half(expected.rect));
    if (row > 0) {
      EXPECT_EQ(EditorRowRect(row, GetParam()), Half(expected.rect));
    }
    EXPECT_EQ(control->TargetRect(), Half(expected.rect));
    EXPECT_EQ(control->ParamIdx(), expected.param);
    EXPECT_EQ(control->Blend().kind, IBlendMode::kNone);
    EXPECT_FLOAT_EQ(control->Blend().weight, 1.0f);

    const IBitmapStrip* strip = StripOf(control);
    if (expected.image == 0) {
      EXPECT_EQ(strip, nullptr);
      continue;
    }
    ASSERT_NE(strip, nullptr);
    PixBitmap* bitmap = strip->Bitmap();
    EXPECT_EQ(bitmap, FindCachedBitmap(f.graphics.ImageSource(), expected.image));
    ASSERT_NE(bitmap, nullptr);
    const ImageSize size = SizeOf(expected.image);
    EXPECT_EQ(strip->width, size.width / Divisor());
    EXPECT_EQ(strip->height, size.height / Divisor());
    EXPECT_EQ(bitmap->Width(), strip->width);
    EXPECT_EQ(bitmap->Height(), strip->height);
    EXPECT_FALSE(strip->framesAreHorizontal);
    EXPECT_EQ(strip->Opaque(), AllOpaque(*bitmap));
    const bool knob = expected.image >= 107 && expected.image <= 115;
    EXPECT_EQ(strip->frames, knob ? 29 : 1);
    if (knob) {
      // A knob's rectangle is exactly one frame.
      EXPECT_EQ(control->Rect().W(), strip->width);
      EXPECT_EQ(control->Rect().H(), strip->height / 29);
    }
  }
}

TEST_P(LayoutTest, KnobsPresetBarAndSelectorsAreSetUpAlike) {
  for (int k = 0; k < EditorControls::kNumKnobs; ++k) {
    IKnobMultiControl* knob = controls.knobs[k];
    ASSERT_EQ(knob, f.graphics.GetControl(4 + k));
    EXPECT_EQ(knob->DragDirection(), IKnobControl::kVertical);
    EXPECT_DOUBLE_EQ(knob->Gearing(), 4.0);
  }
  EXPECT_EQ(controls.presetBar->Color(), IArgbColor(140, 0, 0, 0));
  EXPECT_EQ(controls.presetSelector, selectorProbe);
  EXPECT_EQ(controls.presetBackward, f.graphics.GetControl(16));
  EXPECT_EQ(controls.presetForward, f.graphics.GetControl(17));

  ITextControl* name = controls.presetName;
  EXPECT_EQ(name->Text(), "< Presets Library >");
  const ITextStyle& style = name->TextStyle();
  EXPECT_STREQ(style.font, "Arial");
  EXPECT_EQ(style.size, 40 / Divisor());
  EXPECT_EQ(style.style, ITextStyle::kBold);
  EXPECT_EQ(style.align, ITextStyle::kAlignCenter);
  EXPECT_EQ(style.orientation, 0);
  EXPECT_EQ(style.quality, ITextStyle::kQualityDefault);
  EXPECT_EQ(style.color, IArgbColor(255, 200, 200, 200));
  EXPECT_EQ(style.textEntryBackground, IArgbColor(255, 255, 255, 255));
  EXPECT_EQ(style.textEntryForeground, IArgbColor(255, 0, 0, 0));

  for (IFileSelectorControl* selector : {controls.loadSelector, controls.saveSelector}) {
    EXPECT_EQ(selector->Directory(), "/presets/VelmoraAudio/Fluvia/Presets");
    EXPECT_EQ(selector->Extensions(), "fluviapreset");
    EXPECT_EQ(selector->ChosenFile(), "");
  }
  EXPECT_EQ(controls.loadSelector->ParamIdx(), kPresetLoad);
  EXPECT_EQ(controls.saveSelector->ParamIdx(), kPresetSave);
}

TEST_P(LayoutTest, PresetBarClicksReachTheTopmostControls) {
  f.Settle();
  // The name area belongs to the preset menu lying above the name and the dark panel.
  const IBounds bar = Half(IBounds(120, 80, 880, 130));
  f.graphics.Click((bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
  // The pointer gets there first, then presses.
  ASSERT_GE(f.log.size(), 2u);
  EXPECT_EQ(f.log[0], "selector over");
  EXPECT_EQ(f.log[1], "selector down");
  // The load and save buttons are the file selectors above the plain images.
  f.graphics.QueueFileCancel();
  f.graphics.Click(40 / Divisor(), 100 / Divisor());
  f.graphics.QueueFileCancel();
  f.graphics.Click(960 / Divisor(), 100 / Divisor());
  ASSERT_EQ(f.graphics.FilePrompts().size(), 2u);
  EXPECT_EQ(f.graphics.FilePrompts()[0].mode, IGraphics::kFileOpen);
  EXPECT_EQ(f.graphics.FilePrompts()[1].mode, IGraphics::kFileSave);
  // The arrows send PresetBackward and PresetForward.
  f.plugin.paramChanges.clear();
  f.graphics.Click(100 / Divisor(), 100 / Divisor());
  f.graphics.Click(900 / Divisor(), 100 / Divisor());
  EXPECT_EQ(f.plugin.paramChanges,
            (std::vector<int>{kPresetBackward, kPresetBackward, kPresetForward, kPresetForward}));
}

TEST_P(LayoutTest, KnobsShowTheirParametersAfterAttaching) {
  const double defaults[] = {0.3, 0.75, 0.0, 0.3, 0.0, 0.1, 0.25, 0.5, 0.5};
  for (int k = 0; k < EditorControls::kNumKnobs; ++k) {
    EXPECT_DOUBLE_EQ(controls.knobs[k]->Value(), defaults[k]) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(BothSets, LayoutTest,
                         ::testing::Values(ArtworkSet::Large, ArtworkSet::Small),
                         [](const ::testing::TestParamInfo<ArtworkSet>& param) {
                           return param.param == ArtworkSet::Small ? "Small" : "Large";
                         });

TEST(Layout, WithoutAPresetSelectorAStandInKeepsTheRowNumbers) {
  EditorFixture f;
  EditorControls controls =
      BuildEditorLayout(f.graphics, f.plugin, ArtworkSet::Large, nullptr, "/tmp");
  f.Attach();
  ASSERT_EQ(f.graphics.NumControls(), 23);
  ASSERT_NE(controls.presetSelector, nullptr);
  EXPECT_EQ(controls.presetSelector, f.graphics.GetControl(15));
  EXPECT_EQ(controls.presetSelector->Rect(), IBounds(120, 80, 880, 130));
  EXPECT_EQ(controls.saveSelector, f.graphics.GetControl(21));
  f.graphics.Click(500, 100);  // lands on the stand-in: nothing happens
  EXPECT_TRUE(f.plugin.host.events.empty());
}

}  // namespace
}  // namespace fluvia::testing
