#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_font.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

constexpr unsigned kCentreNoClip = kPixTextCentre | kPixTextNoClip;

// The extent of the pixels that differ from the background.
struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  std::uint32_t brightest = 0;
  int CentreX2() const { return left + right; }  // twice the centre, to stay in integers
  int CentreY2() const { return top + bottom; }
};

Ink FindInk(const PixBitmap& b, std::uint32_t background) {
  Ink ink;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint32_t p = b.Pixels()[y * b.RowSpan() + x];
      if (p == background) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x + 1);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y + 1);
      ++ink.count;
      if ((p & 0xffffff) > (ink.brightest & 0xffffff)) ink.brightest = p;
    }
  }
  return ink;
}

PixCachedFont& Arial(int size, int style = 0) {
  PixCachedFont* font = GetCachedFont(PixFontKey("Arial", size, style));
  EXPECT_NE(font, nullptr);
  return *font;
}

int MeasureWidth(PixCachedFont& font, const char* text, unsigned flags = 0) {
  PixRect rect{10, 20, 10, 20};
  EXPECT_TRUE(PixDrawText(font, nullptr, text, -1, rect, flags | kPixTextMeasure));
  EXPECT_EQ(rect.left, 10);
  return rect.right - rect.left;
}

class PixText : public ::testing::Test {
 protected:
  void SetUp() override { Clear(0xff000000); }
  void Clear(std::uint32_t colour) { PixFillRect(&canvas, 0, 0, 300, 100, colour, 1.0f, 0); }
  PixMemBitmap canvas{300, 100};
};

TEST(PixFontCache, StylesThatDifferOnlyInColourOrQualityShareOneFont) {
  const std::size_t before = PixFontCacheSize();
  PixCachedFont* a = GetCachedFont(PixFontKey("Arial", 21, 1));
  ASSERT_NE(a, nullptr);
  a->SetTextColour(0xffff0000);
  PixCachedFont* b = GetCachedFont(PixFontKey("Arial", 21, 1, 0, 2));
  EXPECT_EQ(a, b);
  b->SetTextColour(0xff00ff00);
  EXPECT_EQ(PixFontCacheSize(), before + 1);

  EXPECT_NE(GetCachedFont(PixFontKey("Arial", 22, 1)), a);
  EXPECT_NE(GetCachedFont(PixFontKey("Arial", 21, 0)), a);
  EXPECT_NE(GetCachedFont(PixFontKey("Arial", 21, 1, 90)), a);
  EXPECT_NE(GetCachedFont(PixFontKey("Liberation Serif", 21, 1)), a);
  EXPECT_EQ(PixFontCacheSize(), before + 5);
  EXPECT_EQ(a->Flags(), unsigned{kPixFontOwnsHandle | kPixFontNativeAllowed});
}

TEST(PixFontCache, SizesThatCannotBeMadeGiveNoFont) {
  EXPECT_EQ(GetCachedFont(PixFontKey("Arial", 0)), nullptr);
  EXPECT_EQ(GetCachedFont(PixFontKey("Arial", 1 << 24)), nullptr);
  // An unknown family still resolves to some installed face.
  EXPECT_NE(GetCachedFont(PixFontKey("No Such Font Family 123", 16)), nullptr);
  // Names are cut to 31 characters, so longer ones that agree on those share the entry.
  const std::string longName(40, 'x');
  EXPECT_EQ(GetCachedFont(PixFontKey((longName + "a").c_str(), 16)),
            GetCachedFont(PixFontKey((longName + "b").c_str(), 16)));
}

TEST(PixFontMeasure, WiderTextMeasuresWiderAndLinesStack) {
  PixCachedFont& font = Arial(40, 1);
  // The size is the cell height, as with Windows fonts (whose metrics may round it up by one).
  EXPECT_NEAR(font.LineHeight(), 40, 1);
  const int line = font.LineHeight();
  EXPECT_GT(MeasureWidth(font, "WWWW"), MeasureWidth(font, "iiii"));
  EXPECT_GT(MeasureWidth(font, "< Presets Library >"), MeasureWidth(font, "< Presets >"));
  EXPECT_GT(MeasureWidth(font, "Bold"), MeasureWidth(Arial(40, 0), "Bold"));

  PixRect rect{0, 5, 0, 5};
  PixDrawText(font, nullptr, "one\ntwo\r\nthree", -1, rect, kPixTextMeasure);
  EXPECT_EQ(rect.bottom, 5 + 3 * line);
  EXPECT_EQ(rect.right, MeasureWidth(font, "three"));
  rect = PixRect{0, 5, 0, 5};
  PixDrawText(font, nullptr, "one\ntwo", -1, rect, kPixTextMeasure | kPixTextSingleLine);
  EXPECT_EQ(rect.bottom, 5 + line);
  EXPECT_EQ(rect.right, MeasureWidth(font, "one two"));
  // Only `length` bytes count.
  rect = PixRect{};
  PixDrawText(font, nullptr, "onetwo", 3, rect, kPixTextMeasure);
  EXPECT_EQ(rect.right, MeasureWidth(font, "one"));
}

TEST(PixFontMeasure, FourByteCharactersAreSpaces) {
  PixCachedFont& font = Arial(20);
  EXPECT_EQ(MeasureWidth(font, "a\xf0\x9f\x98\x80" "b"), MeasureWidth(font, "a b"));
  EXPECT_GT(MeasureWidth(font, "a\xc3\xa9\xe2\x82\xac" "b"), MeasureWidth(font, "ab"));
}

TEST(PixFontMeasure, NoDestinationWithoutMeasuringIsRefused) {
  PixRect rect{0, 0, 100, 100};
  EXPECT_FALSE(PixDrawText(Arial(20), nullptr, "text", -1, rect, 0));
}

TEST_F(PixText, DrawnTextChangesPixelsInTheTextColour) {
  PixCachedFont& font = Arial(30, 1);
  font.SetTextColour(0xffffffff);
  PixRect rect{10, 10, 290, 90};
  EXPECT_TRUE(PixDrawText(font, &canvas, "Fluvia", -1, rect, 0));
  const Ink ink = FindInk(canvas, 0xff000000);
  EXPECT_GT(ink.count, 100);
  EXPECT_EQ(ink.brightest & 0xffffff, 0xffffffu);  // stems are fully covered
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 10 + 30);
  EXPECT_LE(ink.right - ink.left, MeasureWidth(font, "Fluvia") + 2);

  Clear(0xff000000);
  font.SetTextColour(0xff3040ff);
  PixDrawText(font, &canvas, "Fluvia", -1, rect, 0);
  EXPECT_EQ(FindInk(canvas, 0xff000000).brightest, 0xff3040ffu);
}

TEST_F(PixText, TextAlphaIsUsedOnlyWhenAsked) {
  PixCachedFont& font = Arial(30, 1);
  font.SetTextColour(0x80ffffff);
  PixRect rect{10, 10, 290, 90};
  PixDrawText(font, &canvas, "I", -1, rect, 0);
  EXPECT_EQ(FindInk(canvas, 0xff000000).brightest & 0xff, 0xffu);
  Clear(0xff000000);
  PixDrawText(font, &canvas, "I", -1, rect, kPixTextUseAlpha);
  const unsigned brightest = FindInk(canvas, 0xff000000).brightest & 0xff;
  EXPECT_GE(brightest, 0x7fu);
  EXPECT_LE(brightest, 0x81u);
}

TEST_F(PixText, AlignmentPlacesTheInk) {
  PixCachedFont& font = Arial(24, 1);
  font.SetTextColour(0xffffffff);
  const PixRect box{20, 0, 280, 100};

  PixRect rect = box;
  PixDrawText(font, &canvas, "Presets", -1, rect, kCentreNoClip);
  Ink ink = FindInk(canvas, 0xff000000);
  EXPECT_NEAR(ink.CentreX2(), box.left + box.right, 6);

  Clear(0xff000000);
  rect = box;
  PixDrawText(font, &canvas, "Presets", -1, rect, kPixTextRight);
  ink = FindInk(canvas, 0xff000000);
  EXPECT_NEAR(ink.right, box.right, 3);

  Clear(0xff000000);
  rect = box;
  PixDrawText(font, &canvas, "Presets", -1, rect, kPixTextLeft);
  ink = FindInk(canvas, 0xff000000);
  EXPECT_NEAR(ink.left, box.left, 3);
  EXPECT_LT(ink.bottom, 40);

  Clear(0xff000000);
  rect = box;
  PixDrawText(font, &canvas, "Presets", -1, rect, kPixTextVCentre | kPixTextSingleLine);
  ink = FindInk(canvas, 0xff000000);
  EXPECT_GT(ink.top, 30);
  EXPECT_NEAR(ink.CentreY2(), box.top + box.bottom, 12);

  Clear(0xff000000);
  rect = box;
  PixDrawText(font, &canvas, "Presets", -1, rect, kPixTextBottom | kPixTextSingleLine);
  EXPECT_GT(FindInk(canvas, 0xff000000).top, 70);
}

TEST_F(PixText, ClipsToTheRectangleUnlessToldNot) {
  PixCachedFont& font = Arial(30);
  font.SetTextColour(0xffffffff);
  PixRect rect{0, 0, 12, 100};
  PixDrawText(font, &canvas, "WWWW", -1, rect, 0);
  EXPECT_LE(FindInk(canvas, 0xff000000).right, 12);
  rect = PixRect{0, 0, 12, 100};
  PixDrawText(font, &canvas, "WWWW", -1, rect, kPixTextNoClip);
  EXPECT_GT(FindInk(canvas, 0xff000000).right, 40);
  // Text running off every edge of the bitmap is cut, not written out of bounds.
  rect = PixRect{-1000, -15, 5000, 5000};
  PixDrawText(font, &canvas, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\nW", -1, rect,
              kCentreNoClip);
}

TEST_F(PixText, FourByteCharacterDrawsLikeASpace) {
  PixCachedFont& font = Arial(20);
  font.SetTextColour(0xffffffff);
  PixRect rect{0, 0, 300, 100};
  PixDrawText(font, &canvas, "a\xf0\x9f\x8c\x8a" "b", -1, rect, 0);
  PixMemBitmap spaced(300, 100);
  PixFillRect(&spaced, 0, 0, 300, 100, 0xff000000, 1.0f, 0);
  rect = PixRect{0, 0, 300, 100};
  PixDrawText(font, &spaced, "a b", -1, rect, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x)
      ASSERT_EQ(canvas.Pixels()[y * canvas.RowSpan() + x], spaced.Pixels()[y * spaced.RowSpan() + x]);
}

TEST(PixFontGlyphs, EachCharacterIsRenderedOnce) {
  PixCachedFont* font = GetCachedFont(PixFontKey("Liberation Sans", 17));
  ASSERT_NE(font, nullptr);
  PixRect rect{};
  const std::size_t start = font->RenderedGlyphCount();
  PixDrawText(*font, nullptr, "aaaa", -1, rect, kPixTextMeasure);
  EXPECT_EQ(font->RenderedGlyphCount(), start + 1);
  PixDrawText(*font, nullptr, "\xc3\xa9\xc3\xa8\xc3\xa9 a", -1, rect, kPixTextMeasure);
  EXPECT_EQ(font->RenderedGlyphCount(), start + 4);  // e-acute, e-grave, space
  PixDrawText(*font, nullptr, "\xc3\xa8\xc3\xa9", -1, rect, kPixTextMeasure);
  EXPECT_EQ(font->RenderedGlyphCount(), start + 4);

  PixMemBitmap canvas(40, 40);
  PixFillRect(&canvas, 0, 0, 40, 40, 0xff000000, 1.0f, 0);
  font->SetTextColour(0xffffffff);
  EXPECT_TRUE(font->DrawGlyph(&canvas, 0x20ac, 5, 5, PixRect{0, 0, 40, 40}));
  EXPECT_GT(FindInk(canvas, 0xff000000).count, 10);
  EXPECT_FALSE(font->DrawGlyph(&canvas, 'W', 100, 5, PixRect{0, 0, 40, 40}));
}

TEST(PixFontGlyphs, FontsTooTallForGlyphsDrawNothing) {
  PixCachedFont* font = GetCachedFont(PixFontKey("Arial", 2000));
  ASSERT_NE(font, nullptr);
  PixMemBitmap canvas(50, 50);
  PixRect rect{0, 0, 50, 50};
  EXPECT_TRUE(PixDrawText(*font, &canvas, "A", -1, rect, 0));
  EXPECT_EQ(font->RenderedGlyphCount(), 0u);
}

}  // namespace
}  // namespace fluvia
