// The Windows screen bitmap: a top-down 32-bit DIB section in its own memory DC, so the window
// host can BitBlt from DeviceContext() and the editor can write Pixels() directly.
#include <windows.h>

#include "graphics/pix/pix_sys_bitmap.h"

namespace fluvia {

PixSysBitmap::PixSysBitmap() { dc_ = CreateCompatibleDC(nullptr); }

PixSysBitmap::~PixSysBitmap() {
  Release();
  if (dc_ != nullptr) DeleteDC(static_cast<HDC>(dc_));
}

void PixSysBitmap::Release() {
  if (section_ != nullptr) {
    if (dc_ != nullptr && replaced_ != nullptr) {
      SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(replaced_));
    }
    DeleteObject(static_cast<HGDIOBJ>(section_));
  }
  section_ = nullptr;
  replaced_ = nullptr;
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
  const int allocWidth = (width + 3) & ~3;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = allocWidth;
  info.bmiHeader.biHeight = -height;  // negative: rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;

  void* bits = nullptr;
  HBITMAP section = nullptr;
  if (dc_ != nullptr && width > 0 && height > 0) {
    section = CreateDIBSection(static_cast<HDC>(dc_), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    width_ = 0;
    height_ = 0;
    return true;
  }
  section_ = section;
  replaced_ = SelectObject(static_cast<HDC>(dc_), section);
  pixels_ = static_cast<std::uint32_t*>(bits);
  allocWidth_ = allocWidth;
  allocHeight_ = height;
  width_ = width;
  height_ = height;
  return true;
}

}  // namespace fluvia
