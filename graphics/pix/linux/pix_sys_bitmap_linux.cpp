// The Linux screen bitmap: plain memory the X11 window host hands to XPutImage.
#include <cstdlib>
#include <cstddef>

#include "graphics/pix/pix_sys_bitmap.h"

namespace fluvia {
namespace {

constexpr std::size_t kPixelAlignment = 64;
constexpr std::size_t kMaxBitmapBytes = std::size_t{1} << 30;

}  // namespace

PixSysBitmap::PixSysBitmap() = default;

PixSysBitmap::~PixSysBitmap() { Release(); }

void PixSysBitmap::Release() {
  std::free(section_);
  section_ = nullptr;
  pixels_ = nullptr;
  allocWidth_ = 0;
  allocHeight_ = 0;
}

bool PixSysBitmap::Resize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == width_ && height == height_) return false;

  if (section_ != nullptr && width <= allocWidth_ && height <= allocHeight_) {
    width_ = width;
    height_ = height;
    return true;
  }

  Release();
  const std::size_t span = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  const std::size_t bytes = span * static_cast<std::size_t>(height) * 4;
  if (bytes != 0 && bytes <= kMaxBitmapBytes) section_ = std::malloc(bytes + kPixelAlignment - 1);
  if (section_ == nullptr) {
    width_ = 0;
    height_ = 0;
    return true;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(section_);
  pixels_ = reinterpret_cast<std::uint32_t*>((address + kPixelAlignment - 1) &
                                             ~(kPixelAlignment - 1));
  allocWidth_ = static_cast<int>(span);
  allocHeight_ = height;
  width_ = width;
  height_ = height;
  return true;
}

}  // namespace fluvia
