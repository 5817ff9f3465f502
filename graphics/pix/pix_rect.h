#pragma once

#include <cstdint>

namespace fluvia {

// A rectangle in pixels; right and bottom are exclusive. The graphics core converts its own
// bounds records into this one so the bitmap layer stays free of editor types.
struct PixRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// A pixel as a 32-bit value: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7 (straight
// alpha). In memory on a little-endian machine that is blue, green, red, alpha.
constexpr std::uint32_t PixPackArgb(unsigned a, unsigned r, unsigned g, unsigned b) {
  return ((a & 0xffu) << 24) | ((r & 0xffu) << 16) | ((g & 0xffu) << 8) | (b & 0xffu);
}
constexpr unsigned PixAlpha(std::uint32_t p) { return p >> 24; }
constexpr unsigned PixRed(std::uint32_t p) { return (p >> 16) & 0xffu; }
constexpr unsigned PixGreen(std::uint32_t p) { return (p >> 8) & 0xffu; }
constexpr unsigned PixBlue(std::uint32_t p) { return p & 0xffu; }

}  // namespace fluvia
