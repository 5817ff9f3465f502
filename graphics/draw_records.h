#pragma once
// The small value records that controls, the editor core and the window hosts exchange.

#include <cstdint>
#include <cstring>

#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_rect.h"

namespace fluvia {

struct CachedImage;
class PixBitmap;
class PixCachedFont;

// Each channel 0..255.
struct IArgbColor {
  std::int32_t a = 255;
  std::int32_t r = 0;
  std::int32_t g = 0;
  std::int32_t b = 0;

  constexpr IArgbColor() = default;
  constexpr IArgbColor(std::int32_t alpha, std::int32_t red, std::int32_t green,
                       std::int32_t blue)
      : a(alpha), r(red), g(green), b(blue) {}

  // The bitmap layer's packed pixel: alpha 24-31, red 16-23, green 8-15, blue 0-7.
  constexpr std::uint32_t Packed() const {
    return PixPackArgb(unsigned(a), unsigned(r), unsigned(g), unsigned(b));
  }
  constexpr bool operator==(const IArgbColor& o) const {
    return a == o.a && r == o.r && g == o.g && b == o.b;
  }
};

// How a control's bitmaps and fills are composited.
struct IBlendMode {
  enum Kind : int { kNone = 0, kCopy = 1, kAdd = 2, kColorDodge = 3 };

  int kind = kNone;
  float weight = 1.0f;

  constexpr IBlendMode() = default;
  constexpr IBlendMode(int blendKind, float blendWeight) : kind(blendKind), weight(blendWeight) {}

  // The bitmap layer's mode word. "None" still honours the source alpha: the artwork is
  // straight-alpha PNG and must sit on what is beneath it.
  constexpr unsigned PixMode() const {
    switch (kind) {
      case kCopy: return kPixBlendCopy;
      case kAdd: return kPixBlendAddAlpha;
      case kColorDodge: return kPixBlendDodgeAlpha;
      default: return kPixBlendCopyAlpha;
    }
  }
};

// A bitmap of one or more frames. The bitmap belongs to the process-wide bitmap cache; a
// strip without a bitmap (an image that failed to load) draws nothing.
//
// Editor artwork is named by `image`, an entry of the cache whose pixels are decoded when the
// editor first draws (IGraphics::LoadArtwork); a strip made from a bitmap at hand names it by
// `bitmap` instead. Read both through Bitmap() and Opaque().
struct IBitmapStrip {
  PixBitmap* bitmap = nullptr;
  int width = 0;
  int height = 0;
  int frames = 1;
  bool framesAreHorizontal = false;
  // Every pixel has alpha 255: drawing it with the default blend is a plain copy, which the
  // editor then does as one (same pixels, a fraction of the work).
  bool opaque = false;
  const CachedImage* image = nullptr;

  // The pixels, null while not (or not successfully) decoded.
  PixBitmap* Bitmap() const;
  bool Opaque() const;
};

struct ITextStyle {
  enum Style : int { kNormal = 0, kBold = 1, kItalic = 2 };
  enum Align : int { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum Quality : int { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2,
                       kQualityClearType = 3 };
  static constexpr int kFontNameChars = 31;

  char font[kFontNameChars + 1] = "Verdana";
  std::int32_t size = 12;
  IArgbColor color{255, 0, 0, 0};
  IArgbColor textEntryBackground{255, 255, 255, 255};
  IArgbColor textEntryForeground{255, 0, 0, 0};
  int style = kNormal;
  int align = kAlignCenter;
  int orientation = 0;
  int quality = kQualityDefault;
  // Filled on first use by the editor; belongs to the process-wide font cache.
  mutable PixCachedFont* cachedFont = nullptr;

  ITextStyle() = default;
  ITextStyle(const char* fontName, int pixelSize, const IArgbColor& textColor,
             int fontStyle = kNormal, int alignment = kAlignCenter, int degrees = 0,
             int fontQuality = kQualityDefault)
      : size(pixelSize), color(textColor), style(fontStyle), align(alignment),
        orientation(degrees), quality(fontQuality) {
    SetFont(fontName);
  }

  // Longer names are cut to 31 characters; a cached font of another name is dropped.
  void SetFont(const char* fontName) {
    std::memset(font, 0, sizeof font);
    if (fontName) std::strncpy(font, fontName, kFontNameChars);
    cachedFont = nullptr;
  }
};

// Mouse buttons and modifier keys held during an event.
struct IMouseKeys {
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;
};

}  // namespace fluvia
