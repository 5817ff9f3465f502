#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/pix/pix_bitmap.h"

namespace fluvia {

// A plain pixel buffer. Rows are padded to a multiple of 4 pixels and the first pixel sits on a
// 64-byte boundary so row loops can use aligned vector loads.
class PixMemBitmap final : public PixBitmap {
 public:
  PixMemBitmap() = default;
  PixMemBitmap(int width, int height) { Resize(width, height); }
  ~PixMemBitmap() override;

  PixMemBitmap(const PixMemBitmap&) = delete;
  PixMemBitmap& operator=(const PixMemBitmap&) = delete;

  std::uint32_t* Pixels() const override { return pixels_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int RowSpan() const override { return (width_ + kRowAlignMask) & ~kRowAlignMask; }
  bool IsFlipped() const override { return false; }
  // A larger need grows the buffer to 5/4 of it so that repeated small growth does not
  // reallocate every time; a smaller need keeps the buffer. Sizes that cannot be allocated
  // (including negative ones and ones too large to count) leave an empty bitmap.
  bool Resize(int width, int height) override;
  void* DeviceContext() const override { return nullptr; }
  std::intptr_t Extended(unsigned, void*) override { return 0; }

  // Bytes currently allocated for this bitmap's buffer.
  std::size_t AllocatedBytes() const { return allocated_; }

 private:
  static constexpr int kRowAlignMask = 3;

  void Free();

  void* buffer_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::size_t allocated_ = 0;
};

// Bytes held by all live memory bitmaps of the process (decoded artwork, scratch bitmaps).
std::size_t PixMemBitmapBytesInUse();

}  // namespace fluvia
