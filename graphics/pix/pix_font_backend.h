#pragma once

// The seam between the platform-neutral glyph cache and the platform's font service
// (FreeType + fontconfig on Linux, GDI on Windows). Only the bitmap layer includes this.

#include <cstdint>
#include <vector>

#include "graphics/pix/pix_font.h"

namespace fluvia {
namespace pixbackend {

// One character's coverage, 8 bits per pixel, row by row.
struct GlyphImage {
  int width = 0;
  int height = 0;
  int left = 0;     // offset of the coverage from the pen position
  int top = 0;      // offset of the coverage from the top of the line cell
  int advance = 0;  // pen movement
  std::vector<std::uint8_t> coverage;
};

// Font sizes every platform makes: a size of 0 (which Windows would read as "some default
// height") or beyond this many pixels gives no font, so styles behave alike everywhere.
constexpr int kMaxFontPixelSize = 16384;
constexpr bool FontSizeIsMakeable(int size) {
  return size != 0 && size <= kMaxFontPixelSize && size >= -kMaxFontPixelSize;
}

// Makes the platform font for the key; null when there is none.
PixFontHandle CreateSystemFont(const PixFontKey& key);
void DeleteSystemFont(PixFontHandle font);
// Height of a line (ascent + descent) in pixels.
int LineHeight(PixFontHandle font);
// Renders one character. Returns false when the font cannot render it; an empty image (a
// space) is a success with width or height 0.
bool RenderGlyph(PixFontHandle font, unsigned code, int lineHeight, GlyphImage& out);

// Live font counting: the platform keeps shared state (library, scratch bitmaps) while any
// cached font exists.
void FontCreated();
void FontDestroyed();

// Whether the platform can draw text natively for this call; see DrawNative.
bool NativeDrawingAvailable();
// Draws with the platform's own text service; only called when NativeDrawingAvailable().
bool DrawNative(PixCachedFont& font, PixBitmap* dest, const char* text, int length,
                PixRect& rect, unsigned flags);

}  // namespace pixbackend
}  // namespace fluvia
