#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "graphics/pix/pix_rect.h"

namespace fluvia {

class PixBitmap;

// The platform font behind a PixFont: an HFONT on Windows, a FreeType face record on Linux.
using PixFontHandle = void*;

// Text drawing flags; the low ones have the values of the Windows text-format flags.
enum PixTextFlags : unsigned {
  kPixTextLeft = 0,
  kPixTextCentre = 1,
  kPixTextRight = 2,
  kPixTextVCentre = 4,     // single-line text only
  kPixTextBottom = 8,      // single-line text only
  kPixTextSingleLine = 0x20,
  kPixTextNoClip = 0x100,
  kPixTextMeasure = 0x400, // draw nothing, return the extent in the rectangle
  kPixTextNoPrefix = 0x800,
  kPixTextUseAlpha = 0x40000000,  // blend with the text colour's alpha (else opaque)
  kPixTextNoNative = 0x80000000,  // never hand the text to the system's own text drawing
};

// Font state flags (SetFromSystemFont).
enum PixFontFlags : unsigned {
  kPixFontVertical = 1,
  kPixFontPrerenderAscii = 4,  // render the codes 0-127 when the font is set
  kPixFontOwnsHandle = 0x200,  // the font deletes its system font
  kPixFontNativeAllowed = 0x400,
};

enum PixBackgroundMode : int { kPixBackgroundTransparent = 1, kPixBackgroundOpaque = 2 };

// What a font is looked up by. Quality (0 default, 1 not antialiased, 2 antialiased,
// 3 ClearType) shapes the font made on a miss but is not part of the lookup.
struct PixFontKey {
  char name[32] = {};
  int size = 0;         // cell height in pixels (ascent + descent)
  int style = 0;        // 0 normal, 1 bold, 2 italic
  int orientation = 0;  // degrees
  int quality = 0;

  PixFontKey() = default;
  PixFontKey(const char* fontName, int pixelSize, int fontStyle = 0, int degrees = 0,
             int fontQuality = 0);
  bool SameFont(const PixFontKey& other) const;
};

// A font that can draw text into a PixBitmap. The order of the virtual operations is part of
// the layer's contract. Colours are packed ARGB; every setter returns the previous value.
class PixFont {
 public:
  virtual ~PixFont() = default;

  virtual bool SetFromSystemFont(PixFontHandle font, unsigned flags) = 0;
  virtual std::uint32_t SetTextColour(std::uint32_t colour) = 0;
  virtual std::uint32_t SetBackgroundColour(std::uint32_t colour) = 0;
  virtual std::uint32_t SetEffectColour(std::uint32_t colour) = 0;
  virtual int SetBackgroundMode(int mode) = 0;
  virtual int SetCombineMode(int mode, float alpha) = 0;
  // Draws (or with kPixTextMeasure measures) `length` bytes of UTF-8, or up to the terminator
  // when length is negative. Returns false when there was nothing to do it with.
  virtual bool DrawString(PixBitmap* dest, const char* text, int length, PixRect& rect,
                          unsigned flags) = 0;
  virtual std::uint32_t TextColour() const = 0;
  virtual PixFontHandle SystemFont() const = 0;
  virtual int LineHeight() const = 0;
  // Draws one character with the top-left of its line cell at (x, y); false when it cannot be
  // rendered or lies wholly outside clip.
  virtual bool DrawGlyph(PixBitmap* dest, unsigned code, int x, int y, const PixRect& clip) = 0;
};

// A font whose glyph coverage is rendered once per character and kept: a direct table for the
// codes 0-127 and a list sorted by code for the rest.
class PixCachedFont final : public PixFont {
 public:
  PixCachedFont();
  ~PixCachedFont() override;

  PixCachedFont(const PixCachedFont&) = delete;
  PixCachedFont& operator=(const PixCachedFont&) = delete;

  bool SetFromSystemFont(PixFontHandle font, unsigned flags) override;
  std::uint32_t SetTextColour(std::uint32_t colour) override;
  std::uint32_t SetBackgroundColour(std::uint32_t colour) override;
  std::uint32_t SetEffectColour(std::uint32_t colour) override;
  int SetBackgroundMode(int mode) override;
  int SetCombineMode(int mode, float alpha) override;
  bool DrawString(PixBitmap* dest, const char* text, int length, PixRect& rect,
                  unsigned flags) override;
  std::uint32_t TextColour() const override { return textColour_; }
  PixFontHandle SystemFont() const override { return systemFont_; }
  int LineHeight() const override { return lineHeight_; }
  bool DrawGlyph(PixBitmap* dest, unsigned code, int x, int y, const PixRect& clip) override;

  unsigned Flags() const { return flags_; }
  std::uint32_t BackgroundColour() const { return backgroundColour_; }
  int BackgroundMode() const { return backgroundMode_; }
  int CombineMode() const { return combineMode_; }
  float CombineAlpha() const { return combineAlpha_; }
  // Number of characters rendered so far (diagnostics and tests).
  std::size_t RenderedGlyphCount() const;
  // Held by a caller around setting colours and drawing with them: the font is shared by
  // every editor of the process, and another editor's thread must not change the colour in
  // between.
  std::mutex& UseLock() const { return useLock_; }

 private:
  struct Glyph {
    std::uint32_t offset = 0;  // into coverage_
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t left = 0;     // from the pen position
    std::int32_t top = 0;      // from the top of the line cell
    std::int32_t advance = 0;
    unsigned code = 0;
    bool rendered = false;
    bool empty = true;
  };

  const Glyph* FindOrRender(unsigned code);
  bool RenderInto(unsigned code, Glyph& glyph);
  void ClearGlyphs();
  void BlendGlyph(PixBitmap* dest, const Glyph& glyph, int x, int y, const PixRect& clip,
                  std::uint32_t colour);
  bool DrawWithGlyphs(PixBitmap* dest, const char* text, int length, PixRect& rect,
                      unsigned flags);

  std::uint32_t textColour_ = 0;
  std::uint32_t backgroundColour_ = 0xffffffffu;
  std::uint32_t effectColour_ = 0xffffffffu;
  int backgroundMode_ = kPixBackgroundTransparent;
  int combineMode_ = 0;
  float combineAlpha_ = 1.0f;
  unsigned flags_ = 0;
  int lineHeight_ = 0;
  int extraLineSpacing_ = 0;
  PixFontHandle systemFont_ = nullptr;

  Glyph ascii_[128];
  std::vector<Glyph> others_;           // sorted by code
  std::vector<std::uint8_t> coverage_;  // 8-bit coverage of every rendered glyph
  mutable std::mutex glyphLock_;        // fonts are shared by every editor of the process
  mutable std::mutex useLock_;          // taken before glyphLock_, never after
};

// Looks the font up in the process-wide cache, making it on first use; null when the system
// cannot provide such a font. Fonts live until the process (or module) ends.
PixCachedFont* GetCachedFont(const PixFontKey& key);

// Number of fonts in the process-wide cache.
std::size_t PixFontCacheSize();

// The entry point for the graphics core: draws or measures text with the font's current
// colours. With kPixTextMeasure, rect.right and rect.bottom are set to rect.left + text width
// and rect.top + text height. Returns false with neither a destination nor the measure flag.
bool PixDrawText(PixCachedFont& font, PixBitmap* dest, const char* text, int length,
                 PixRect& rect, unsigned flags);

}  // namespace fluvia
