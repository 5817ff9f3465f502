#pragma once

#include <cstdint>

#include "graphics/pix/pix_bitmap.h"

namespace fluvia {

// The bitmap the window host copies to the screen.
//
// Windows: a top-down 32-bit DIB section selected into its own memory DC (DeviceContext()).
// Linux: plain memory in the X server's 32-bit ZPixmap layout (little-endian 0x00RRGGBB, which
// is this layer's own pixel layout), bytes per line = RowSpan() * 4, ready for XPutImage. An
// XImage built on Pixels() must have its data pointer cleared before XDestroyImage, since the
// memory belongs to this bitmap.
//
// Growing reallocates with the width rounded up to a multiple of 4; shrinking only changes the
// visible size, so a window that is resized back and forth does not churn allocations.
class PixSysBitmap final : public PixBitmap {
 public:
  PixSysBitmap();
  PixSysBitmap(int width, int height) : PixSysBitmap() { Resize(width, height); }
  ~PixSysBitmap() override;

  PixSysBitmap(const PixSysBitmap&) = delete;
  PixSysBitmap& operator=(const PixSysBitmap&) = delete;

  std::uint32_t* Pixels() const override { return pixels_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int RowSpan() const override { return allocWidth_; }
  bool IsFlipped() const override { return false; }
  bool Resize(int width, int height) override;
  void* DeviceContext() const override { return dc_; }
  std::intptr_t Extended(unsigned, void*) override { return 0; }

 private:
  void Release();

  void* dc_ = nullptr;        // HDC (Windows only)
  void* section_ = nullptr;   // HBITMAP of the DIB section (Windows), heap block (Linux)
  void* replaced_ = nullptr;  // HBITMAP the section displaced in dc_ (Windows only)
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int allocWidth_ = 0;
  int allocHeight_ = 0;
};

}  // namespace fluvia
