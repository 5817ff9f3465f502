#pragma once
// Small helpers for looking at and preparing pixels in tests.

#include <cstdint>
#include <memory>

#include "graphics/graphics.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_rect.h"

namespace fluvia::testing {

inline std::uint32_t PixelAt(const PixBitmap& bitmap, int x, int y) {
  return bitmap.Pixels()[std::ptrdiff_t(y) * bitmap.RowSpan() + x];
}

inline void FillBitmap(PixBitmap& bitmap, std::uint32_t colour) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      bitmap.Pixels()[std::ptrdiff_t(y) * bitmap.RowSpan() + x] = colour;
    }
  }
}

// A vertical strip of `frames` frames of frameHeight rows; frame k (from 1) is coloured
// colourOf(k).
template <typename ColourOf>
std::unique_ptr<PixMemBitmap> MakeStrip(int width, int frameHeight, int frames, ColourOf colourOf) {
  auto bitmap = std::make_unique<PixMemBitmap>(width, frameHeight * frames);
  for (int y = 0; y < frameHeight * frames; ++y) {
    for (int x = 0; x < width; ++x) {
      bitmap->Pixels()[std::ptrdiff_t(y) * bitmap->RowSpan() + x] = colourOf(y / frameHeight + 1);
    }
  }
  return bitmap;
}

inline IBitmapStrip StripOf(PixBitmap& bitmap, int frames) {
  IBitmapStrip strip;
  strip.bitmap = &bitmap;
  strip.width = bitmap.Width();
  strip.height = bitmap.Height();
  strip.frames = frames;
  return strip;
}

// Pixels of the rectangle that differ from `colour`.
inline int CountNot(const PixBitmap& bitmap, const IBounds& r, std::uint32_t colour) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += PixelAt(bitmap, x, y) != colour;
  }
  return n;
}

constexpr std::uint32_t kOpaqueWhite = 0xffffffffu;
constexpr std::uint32_t kOpaqueBlack = 0xff000000u;
constexpr std::uint32_t kOpaqueRed = 0xffff0000u;

}  // namespace fluvia::testing
