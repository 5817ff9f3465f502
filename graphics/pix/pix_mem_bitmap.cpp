#include "graphics/pix/pix_mem_bitmap.h"

#include <atomic>
#include <cstdlib>

namespace fluvia {
namespace {

// The pixel pointer is rounded up to this boundary inside a block allocated that much larger.
constexpr std::size_t kPixelAlignment = 64;

// Refusing absurd sizes gives a defined empty bitmap instead of an allocator abort.
constexpr std::size_t kMaxBitmapBytes = std::size_t{1} << 30;

std::atomic<std::size_t> gBytesInUse{0};

std::uint32_t* AlignedPixels(void* block) {
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t aligned = (address + kPixelAlignment - 1) & ~(kPixelAlignment - 1);
  return reinterpret_cast<std::uint32_t*>(aligned);
}

}  // namespace

std::size_t PixMemBitmapBytesInUse() { return gBytesInUse.load(std::memory_order_relaxed); }

PixMemBitmap::~PixMemBitmap() { Free(); }

void PixMemBitmap::Free() {
  std::free(buffer_);
  gBytesInUse.fetch_sub(allocated_, std::memory_order_relaxed);
  buffer_ = nullptr;
  pixels_ = nullptr;
  allocated_ = 0;
}

bool PixMemBitmap::Resize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == width_ && height == height_) return false;

  const std::size_t span =
      (static_cast<std::size_t>(width) + kRowAlignMask) & ~static_cast<std::size_t>(kRowAlignMask);
  const std::size_t needed = static_cast<std::size_t>(height) * span * 4;
  const std::size_t before = allocated_;

  if (width == 0 || height == 0 || needed > kMaxBitmapBytes) {
    std::free(buffer_);
    buffer_ = nullptr;
    allocated_ = 0;
  } else if (buffer_ == nullptr) {
    buffer_ = std::malloc(needed + kPixelAlignment - 1);
    allocated_ = buffer_ != nullptr ? needed : 0;
  } else if (needed > allocated_) {
    // Growing by a quarter more than asked lets a bitmap that is resized upwards in small
    // steps settle after a few reallocations.
    const std::size_t grown = needed / 4 * 5;
    void* block = std::realloc(buffer_, grown + kPixelAlignment - 1);
    if (block != nullptr) {
      buffer_ = block;
      allocated_ = grown;
    } else {
      std::free(buffer_);
      buffer_ = std::malloc(needed + kPixelAlignment - 1);
      allocated_ = buffer_ != nullptr ? needed : 0;
    }
  }
  // (A smaller need keeps the block as it is.)
  gBytesInUse.fetch_add(allocated_, std::memory_order_relaxed);
  gBytesInUse.fetch_sub(before, std::memory_order_relaxed);

  if (buffer_ == nullptr) {
    pixels_ = nullptr;
    width_ = 0;
    height_ = 0;
  } else {
    pixels_ = AlignedPixels(buffer_);
    width_ = width;
    height_ = height;
  }
  return true;
}

}  // namespace fluvia
