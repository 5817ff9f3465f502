#pragma once

#include <cstdint>

#include "graphics/pix/pix_rect.h"

namespace fluvia {

class PixBitmap;

// Mode words of PixBlit and PixFillRect. The low 16 bits pick the operation, bit 16 makes it
// weigh each pixel by the source (or fill colour) alpha.
enum PixBlendMode : unsigned {
  kPixBlendCopy = 0,             // plain copy, alpha copied along
  kPixBlendAdd = 1,              // saturating add
  kPixBlendUseAlpha = 0x10000,   // flag: weigh by alpha
  kPixBlendCopyAlpha = 0x10000,  // source-over with straight alpha
  kPixBlendAddAlpha = 0x10001,   // add weighted by source alpha
  kPixBlendDodgeAlpha = 0x10002, // colour dodge weighted by source alpha
  // Low byte 240..255: copy one channel. Bits 0-1 name the source channel, bits 2-3 the
  // destination channel (0 blue, 1 green, 2 red, 3 alpha).
  kPixBlendChannelCopy = 0xf0,
};

constexpr unsigned PixChannelCopyMode(unsigned sourceChannel, unsigned destChannel) {
  return kPixBlendChannelCopy | (sourceChannel & 3u) | ((destChannel & 3u) << 2);
}

// Copies src (or the part srcRect names, right/bottom exclusive) to (x, y) of dest at the
// given weight (0..1; values outside are clamped, NaN counts as 0) and mode. Everything is cut
// to both bitmaps; nothing outside them is read or written.
void PixBlit(PixBitmap* dest, const PixBitmap* src, int x, int y, const PixRect* srcRect,
             float weight, unsigned mode);

// Fills width x height pixels at (x, y) with colour (packed ARGB) at the given weight and
// mode; kPixBlendUseAlpha scales the weight by the colour's alpha first.
void PixFillRect(PixBitmap* dest, int x, int y, int width, int height, std::uint32_t colour,
                 float weight, unsigned mode);

}  // namespace fluvia
