#include "graphics/pix/pix_blend.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "graphics/pix/pix_bitmap.h"

namespace fluvia {
namespace {

using Pixel = std::uint32_t;

constexpr Pixel kHalfMask = 0x7f7f7f7fu;
constexpr Pixel kQuarterMask = 0x3f3f3f3fu;

// Weights come from controls and hosts; anything outside 0..1 (or NaN) is clamped so that the
// integer arithmetic below stays within a byte and the float-to-int cast stays defined.
float ClampWeight(float weight) {
  if (!(weight > 0.0f)) return 0.0f;
  return weight < 1.0f ? weight : 1.0f;
}

int Channel(Pixel p, int index) { return static_cast<int>((p >> (index * 8)) & 0xffu); }

Pixel Compose(int a, int r, int g, int b) {
  return (static_cast<Pixel>(a) << 24) | (static_cast<Pixel>(r) << 16) |
         (static_cast<Pixel>(g) << 8) | static_cast<Pixel>(b);
}

Pixel* Row(const PixBitmap& bitmap, int y) {
  const int row = bitmap.IsFlipped() ? bitmap.Height() - 1 - y : y;
  return bitmap.Pixels() + static_cast<std::ptrdiff_t>(row) * bitmap.RowSpan();
}

// Weighted mix toward the source: the destination keeps (256 - w) / 256 of its distance.
Pixel MixAllChannels(Pixel s, Pixel d, int w) {
  int out[4];
  for (int i = 0; i < 4; ++i) {
    const int sc = Channel(s, i);
    out[i] = sc + (Channel(d, i) - sc) * (256 - w) / 256;
  }
  return Compose(out[3], out[2], out[1], out[0]);
}

Pixel CopyWithAlpha(Pixel s, Pixel d, int w) {
  const int a = Channel(s, 3);
  if (a == 0) return d;
  if (w == 256) {
    if (a == 255) return s;
    int out[3];
    for (int i = 0; i < 3; ++i) {
      const int sc = Channel(s, i);
      out[i] = sc + (Channel(d, i) - sc) * (255 - a) / 256;
    }
    return Compose(std::min(255, Channel(d, 3) + a), out[2], out[1], out[0]);
  }
  const int k = w * (a + 1) / 256;
  int out[3];
  for (int i = 0; i < 3; ++i) {
    const int sc = Channel(s, i);
    out[i] = sc + (Channel(d, i) - sc) * (256 - k) / 256;
  }
  return Compose(std::min(255, Channel(d, 3) + k), out[2], out[1], out[0]);
}

Pixel Add(Pixel s, Pixel d, int w) {
  int out[4];
  for (int i = 0; i < 4; ++i) out[i] = std::min(255, Channel(d, i) + Channel(s, i) * w / 256);
  return Compose(out[3], out[2], out[1], out[0]);
}

Pixel AddWithAlpha(Pixel s, Pixel d, int w) {
  const int a = Channel(s, 3);
  if (a == 0) return d;
  const int k = w * (a + 1) / 256;
  int out[3];
  for (int i = 0; i < 3; ++i) out[i] = std::min(255, Channel(d, i) + Channel(s, i) * k / 256);
  return Compose(std::min(255, Channel(d, 3) + a * k / 256), out[2], out[1], out[0]);
}

Pixel DodgeWithAlpha(Pixel s, Pixel d, int w) {
  const int k = w * (Channel(s, 3) + 1) / 256;
  int out[4];
  for (int i = 0; i < 4; ++i) {
    const int t = Channel(s, i) * k / 256;  // for i == 3 the source channel is its alpha
    const int dc = Channel(d, i);
    const int v = t > 254 ? dc * 256 : dc * 256 / (256 - t);
    out[i] = std::min(255, v);
  }
  return Compose(out[3], out[2], out[1], out[0]);
}

Pixel CopyChannel(Pixel s, Pixel d, unsigned mode) {
  const unsigned from = (mode & 3u) * 8;
  const unsigned to = ((mode >> 2) & 3u) * 8;
  return (d & ~(0xffu << to)) | (((s >> from) & 0xffu) << to);
}

template <typename Op>
void ForEachPixel(const PixBitmap& dest, const PixBitmap& src, int dx, int dy, int sx, int sy,
                  int width, int height, Op op) {
  for (int row = 0; row < height; ++row) {
    const Pixel* s = Row(src, sy + row) + sx;
    Pixel* d = Row(dest, dy + row) + dx;
    for (int col = 0; col < width; ++col) d[col] = op(s[col], d[col]);
  }
}

template <typename Op>
void ForEachFilled(const PixBitmap& dest, int x, int y, int width, int height, Op op) {
  for (int row = 0; row < height; ++row) {
    Pixel* d = Row(dest, y + row) + x;
    for (int col = 0; col < width; ++col) d[col] = op(d[col]);
  }
}

}  // namespace

void PixBlit(PixBitmap* dest, const PixBitmap* src, int x, int y, const PixRect* srcRect,
             float weight, unsigned mode) {
  if (dest == nullptr || src == nullptr || weight == 0.0f) return;
  if (dest->Pixels() == nullptr || src->Pixels() == nullptr) return;
  weight = ClampWeight(weight);
  if (weight == 0.0f) return;

  // 64-bit arithmetic: rectangles from callers may hold extreme values.
  long long sl = 0, st = 0, sr = src->Width(), sb = src->Height();
  if (srcRect != nullptr) {
    sl = srcRect->left;
    st = srcRect->top;
    sr = std::min<long long>(srcRect->right, src->Width());
    sb = std::min<long long>(srcRect->bottom, src->Height());
  }
  long long dx = x, dy = y;
  // Source pixels left of or above the bitmap do not exist: skip them at the destination too.
  if (sl < 0) { dx -= sl; sl = 0; }
  if (st < 0) { dy -= st; st = 0; }
  // Likewise for a destination point left of or above the destination.
  if (dx < 0) { sl -= dx; dx = 0; }
  if (dy < 0) { st -= dy; dy = 0; }
  const long long w = std::min(sr - sl, dest->Width() - dx);
  const long long h = std::min(sb - st, dest->Height() - dy);
  if (w <= 0 || h <= 0) return;

  const int ix = static_cast<int>(dx), iy = static_cast<int>(dy);
  const int isx = static_cast<int>(sl), isy = static_cast<int>(st);
  const int iw = static_cast<int>(w), ih = static_cast<int>(h);

  if ((mode & 0xffu) >= 240) {
    ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                 [mode](Pixel s, Pixel d) { return CopyChannel(s, d, mode); });
    return;
  }

  if (mode == kPixBlendCopy) {
    if (weight == 1.0f) {
      for (int row = 0; row < ih; ++row) {
        std::memmove(Row(*dest, iy + row) + ix, Row(*src, isy + row) + isx,
                     static_cast<std::size_t>(iw) * sizeof(Pixel));
      }
    } else if (weight == 0.5f) {
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih, [](Pixel s, Pixel d) {
        return ((s >> 1) & kHalfMask) + ((d >> 1) & kHalfMask);
      });
    } else {
      const int wi = static_cast<int>(weight * 256.0f);
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                   [wi](Pixel s, Pixel d) { return MixAllChannels(s, d, wi); });
    }
    return;
  }

  const int wi = static_cast<int>(weight * 256.0f);
  if (wi == 0) return;
  switch (mode) {
    case kPixBlendCopyAlpha:
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                   [wi](Pixel s, Pixel d) { return CopyWithAlpha(s, d, wi); });
      break;
    case kPixBlendAdd:
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                   [wi](Pixel s, Pixel d) { return Add(s, d, wi); });
      break;
    case kPixBlendAddAlpha:
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                   [wi](Pixel s, Pixel d) { return AddWithAlpha(s, d, wi); });
      break;
    case kPixBlendDodgeAlpha:
      ForEachPixel(*dest, *src, ix, iy, isx, isy, iw, ih,
                   [wi](Pixel s, Pixel d) { return DodgeWithAlpha(s, d, wi); });
      break;
    default:
      // Dodge without alpha, multiply, overlay and the colour adjustments are part of the mode
      // word but nothing in this system asks for them; they draw nothing.
      break;
  }
}

void PixFillRect(PixBitmap* dest, int x, int y, int width, int height, std::uint32_t colour,
                 float weight, unsigned mode) {
  if (dest == nullptr) return;
  weight = ClampWeight(weight);
  if ((mode & kPixBlendUseAlpha) != 0) weight *= static_cast<float>(colour >> 24) / 255.0f;
  if (weight == 0.0f || dest->Pixels() == nullptr || width <= 0 || height <= 0) return;

  long long fx = x, fy = y, fw = width, fh = height;
  if (fx < 0) { fw += fx; fx = 0; }
  if (fy < 0) { fh += fy; fy = 0; }
  fw = std::min<long long>(fw, dest->Width() - fx);
  fh = std::min<long long>(fh, dest->Height() - fy);
  if (fw <= 0 || fh <= 0) return;
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const int iw = static_cast<int>(fw), ih = static_cast<int>(fh);

  const int w = static_cast<int>(weight * 256.0f);
  const Pixel c = colour;
  switch (mode & 0xffffu) {
    case kPixBlendCopy:
      if (w == 256) {
        ForEachFilled(*dest, ix, iy, iw, ih, [c](Pixel) { return c; });
      } else if (w == 128) {
        ForEachFilled(*dest, ix, iy, iw, ih,
                      [c](Pixel d) { return ((c >> 1) & kHalfMask) + ((d >> 1) & kHalfMask); });
      } else if (w == 64) {
        ForEachFilled(*dest, ix, iy, iw, ih, [c](Pixel d) {
          return ((d >> 1) & kHalfMask) + ((d >> 2) & kQuarterMask) + ((c >> 2) & kQuarterMask);
        });
      } else if (w == 192) {
        ForEachFilled(*dest, ix, iy, iw, ih, [c](Pixel d) {
          return ((c >> 1) & kHalfMask) + ((c >> 2) & kQuarterMask) + ((d >> 2) & kQuarterMask);
        });
      } else {
        ForEachFilled(*dest, ix, iy, iw, ih, [c, w](Pixel d) {
          int out[3];
          for (int i = 0; i < 3; ++i) {
            const int cc = Channel(c, i);
            out[i] = cc + (Channel(d, i) - cc) * (256 - w) / 256;
          }
          const int alpha = w + (Channel(d, 3) - w) * (256 - w) / 256;
          return Compose(alpha, out[2], out[1], out[0]);
        });
      }
      break;
    case kPixBlendAdd:
      if (w == 0) return;
      ForEachFilled(*dest, ix, iy, iw, ih, [c, w](Pixel d) { return Add(c, d, w); });
      break;
    default:
      break;  // see PixBlit: the other modes are not used by this system
  }
}

}  // namespace fluvia
