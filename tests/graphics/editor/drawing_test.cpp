// The drawing primitives: clipping to the region being redrawn, frame choice, fills, text.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/bitmap_control.h"
#include "graphics/knob_control.h"
#include "graphics/panel_control.h"
#include "graphics/text_control.h"
#include "tests/graphics/editor/editor_fixture.h"
#include "tests/graphics/editor/surface_helpers.h"

namespace fluvia::testing {
namespace {

class DrawingFixture : public EditorFixture {
 public:
  PixBitmap& Surface() { return *graphics.DrawSurface(); }
  void ClearSurface(std::uint32_t colour) { FillBitmap(Surface(), colour); }
};

TEST(Drawing, BitmapIsClippedToTheRegionBeingDrawn) {
  DrawingFixture f;
  auto red = MakeStrip(100, 100, 1, [](int) { return kOpaqueRed; });
  f.Add<IBitmapControl>(IBounds(0, 0, 100, 100), -1, StripOf(*red, 1));
  f.Attach();
  f.ClearSurface(kOpaqueWhite);
  f.graphics.Draw(IBounds(50, 50, 150, 150));
  EXPECT_EQ(PixelAt(f.Surface(), 50, 50), kOpaqueRed);
  EXPECT_EQ(PixelAt(f.Surface(), 99, 99), kOpaqueRed);
  EXPECT_EQ(PixelAt(f.Surface(), 49, 60), kOpaqueWhite);
  EXPECT_EQ(PixelAt(f.Surface(), 60, 49), kOpaqueWhite);
  EXPECT_EQ(PixelAt(f.Surface(), 100, 100), kOpaqueWhite);
  EXPECT_EQ(CountNot(f.Surface(), {50, 50, 100, 100}, kOpaqueRed), 0);
}

TEST(Drawing, ClippedFramesStillComeFromTheirOwnFrame) {
  DrawingFixture f;
  auto strip = MakeStrip(20, 20, 3, [](int k) { return PixPackArgb(255, 0, 0, unsigned(k)); });
  IBitmapControl& control = f.Add<IBitmapControl>(IBounds(0, 0, 20, 20), -1, StripOf(*strip, 3));
  f.Attach();
  control.SetValue(1.0);  // frame 3
  f.ClearSurface(kOpaqueWhite);
  f.graphics.Draw(IBounds(10, 15, 30, 30));
  EXPECT_EQ(PixelAt(f.Surface(), 10, 15), PixPackArgb(255, 0, 0, 3));
  EXPECT_EQ(PixelAt(f.Surface(), 19, 19), PixPackArgb(255, 0, 0, 3));
  EXPECT_EQ(PixelAt(f.Surface(), 5, 5), kOpaqueWhite);
}

TEST(Drawing, OpaqueImagesAreCopiedWithTheSameResultAsCompositing) {
  // An opaque image with varied colours over a background with varied colours and alpha.
  auto image = MakeStrip(16, 16, 1, [](int) { return 0u; });
  for (int i = 0; i < 16 * 16; ++i) {
    image->Pixels()[(i / 16) * image->RowSpan() + i % 16] = 0xff000000u | (0x9e3779b9u * unsigned(i) >> 8);
  }
  std::uint32_t results[2][16 * 16];
  for (int opaque = 0; opaque < 2; ++opaque) {
    DrawingFixture f;
    IBitmapStrip strip = StripOf(*image, 1);
    strip.opaque = opaque == 1;
    f.Add<IBitmapControl>(IBounds(4, 4, 20, 20), -1, strip);
    f.Attach();
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        f.Surface().Pixels()[y * f.Surface().RowSpan() + x] = 0x40000000u * unsigned(x % 4) + 0x00102030u * unsigned(y);
      }
    }
    f.graphics.Draw(IBounds(0, 0, 24, 24));
    for (int i = 0; i < 16 * 16; ++i) results[opaque][i] = PixelAt(f.Surface(), 4 + i % 16, 4 + i / 16);
  }
  for (int i = 0; i < 16 * 16; ++i) ASSERT_EQ(results[0][i], results[1][i]) << i;
}

TEST(Drawing, ValueChoosesTheNearestFrame) {
  struct Case {
    double value;
    int frame;
  } cases[] = {{0.0, 1},  {0.5, 15}, {1.0, 29},   {-0.2, 1},  {1.7, 29},
               {0.0178, 1}, {0.018, 2}, {0.982, 28}, {0.9822, 29}};
  for (const Case& c : cases) EXPECT_EQ(FrameForValue(c.value, 29), c.frame) << c.value;
  EXPECT_EQ(FrameForValue(std::numeric_limits<double>::quiet_NaN(), 29), 1);
  EXPECT_EQ(FrameForValue(1e300, 29), 29);
  EXPECT_EQ(FrameForValue(0.7, 1), 1);

  // And the knob shows that frame of its strip.
  DrawingFixture f;
  auto strip = MakeStrip(8, 6, 29, [](int k) { return PixPackArgb(255, unsigned(k), 0, 0); });
  IKnobMultiControl& knob =
      f.Add<IKnobMultiControl>(IBounds(0, 0, 8, 6), kAmpFadeInOut, StripOf(*strip, 29));
  f.Attach();
  for (const Case& c : cases) {
    knob.SetValue(c.value);
    f.graphics.Draw(IBounds(0, 0, 8, 6));
    EXPECT_EQ(PixelAt(f.Surface(), 4, 3), PixPackArgb(255, unsigned(c.frame), 0, 0)) << c.value;
  }
}

TEST(Drawing, TranslucentPanelShadesWhatIsBeneath) {
  DrawingFixture f;
  f.Add<IPanelControl>(IBounds(10, 10, 30, 30), IArgbColor(140, 0, 0, 0));
  f.Attach();
  f.ClearSurface(kOpaqueWhite);
  f.graphics.Draw(IBounds(0, 0, 100, 100));
  // Weight 140/255 of black over white: 255 * (256 - 140) / 256.
  const std::uint32_t shaded = PixelAt(f.Surface(), 20, 20);
  EXPECT_NEAR(PixRed(shaded), 115, 1);
  EXPECT_EQ(PixRed(shaded), PixGreen(shaded));
  EXPECT_EQ(PixelAt(f.Surface(), 30, 30), kOpaqueWhite);
}

TEST(Drawing, GreyedControlDrawsAtQuarterWeight) {
  DrawingFixture f;
  auto red = MakeStrip(10, 10, 1, [](int) { return kOpaqueRed; });
  IBitmapControl& control = f.Add<IBitmapControl>(IBounds(0, 0, 10, 10), -1, StripOf(*red, 1));
  f.Attach();
  control.GrayOut(true);
  EXPECT_FLOAT_EQ(control.Blend().weight, 0.25f);
  f.ClearSurface(kOpaqueWhite);
  f.graphics.Draw(IBounds(0, 0, 10, 10));
  const std::uint32_t greyed = PixelAt(f.Surface(), 5, 5);
  EXPECT_EQ(PixRed(greyed), 255u);
  EXPECT_NEAR(PixGreen(greyed), 191, 2);  // three quarters of the white stays
  control.GrayOut(false);
  EXPECT_FLOAT_EQ(control.Blend().weight, 1.0f);
}

TEST(Drawing, MissingBitmapDrawsNothing) {
  DrawingFixture f;
  f.Add<IBitmapControl>(IBounds(0, 0, 10, 10), -1, IBitmapStrip());
  f.Add<IKnobMultiControl>(IBounds(10, 0, 20, 10), kAmpFadeInOut, IBitmapStrip{nullptr, 0, 0, 29, false});
  f.Attach();
  f.ClearSurface(kOpaqueWhite);
  EXPECT_TRUE(f.graphics.Draw(IBounds(0, 0, 100, 100)));
  EXPECT_EQ(CountNot(f.Surface(), {0, 0, 30, 30}, kOpaqueWhite), 0);
}

ITextStyle BigWhiteText(int align) {
  return ITextStyle("Arial", 40, IArgbColor(255, 255, 255, 255), ITextStyle::kBold, align);
}

TEST(Drawing, TextNeverReachesPastTheRegionBeingDrawn) {
  DrawingFixture f;
  f.Add<ITextControl>(IBounds(0, 0, 400, 60), BigWhiteText(ITextStyle::kAlignNear),
                      "MMMMMMMMMMMMMMMMMM");
  f.Attach();
  f.ClearSurface(kOpaqueBlack);
  f.graphics.Draw(IBounds(0, 0, 200, 60));
  EXPECT_GT(CountNot(f.Surface(), {0, 0, 200, 60}, kOpaqueBlack), 100);
  EXPECT_EQ(CountNot(f.Surface(), {200, 0, 420, 60}, kOpaqueBlack), 0);
  // Without the limit the text would have gone on (so the check above means something).
  f.graphics.Draw(IBounds(0, 0, 1000, 60));
  EXPECT_GT(CountNot(f.Surface(), {200, 0, 420, 60}, kOpaqueBlack), 100);
}

TEST(Drawing, MeasuredTextIsPlacedByItsAlignment) {
  DrawingFixture f;
  f.Attach();
  const IBounds box(100, 10, 500, 80);
  IBounds centre = box, left = box, right = box, longer = box;
  ASSERT_TRUE(f.graphics.MeasureIText(BigWhiteText(ITextStyle::kAlignCenter), "Fluvia", centre));
  ASSERT_TRUE(f.graphics.MeasureIText(BigWhiteText(ITextStyle::kAlignNear), "Fluvia", left));
  ASSERT_TRUE(f.graphics.MeasureIText(BigWhiteText(ITextStyle::kAlignFar), "Fluvia", right));
  ASSERT_TRUE(f.graphics.MeasureIText(BigWhiteText(ITextStyle::kAlignNear), "Fluvia Fluvia",
                                      longer));
  const int width = centre.W();
  EXPECT_GT(width, 40);
  EXPECT_NEAR((centre.left + centre.right) / 2.0, 300.0, 1.0);
  EXPECT_EQ(left.left, 100);
  EXPECT_EQ(left.W(), width);
  EXPECT_EQ(right.right, 500);
  EXPECT_EQ(right.W(), width);
  EXPECT_GT(longer.W(), 2 * width);
  EXPECT_EQ(centre.top, 10);
  EXPECT_GT(centre.bottom, 10 + 30);  // about one 40-pixel line
  EXPECT_LT(centre.bottom, 10 + 60);
  // Nothing to measure leaves the rectangle alone.
  IBounds unchanged = box;
  EXPECT_TRUE(f.graphics.MeasureIText(BigWhiteText(ITextStyle::kAlignNear), "", unchanged));
  EXPECT_EQ(unchanged, box);
}

}  // namespace
}  // namespace fluvia::testing
