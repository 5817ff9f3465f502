#include "graphics/x11/x11_surface_output.h"

#include <algorithm>
#include <cstring>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_rect.h"

namespace fluvia {
namespace {

int NativeByteOrder() {
  const std::uint32_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  return first == 1 ? LSBFirst : MSBFirst;
}

int BitsPerPixelForDepth(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bits = 0;
  for (int i = 0; formats && i < count; ++i) {
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  }
  if (formats) XFree(formats);
  return bits;
}

bool IsDirect(Display* display, const Visual* visual, int depth) {
  return visual && depth == 24 && visual->c_class == TrueColor &&
         visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
         visual->blue_mask == 0xff && BitsPerPixelForDepth(display, 24) == 32;
}

// Scales an 8-bit channel onto a mask of the visual.
unsigned long ChannelToMask(unsigned value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1UL) == 0) ++shift;
  const unsigned long range = mask >> shift;
  return ((value * range + 127) / 255) << shift;
}

}  // namespace

X11VisualChoice ChooseVisual(Display* display, int screen, Visual* parentVisual,
                             int parentDepth) {
  if (IsDirect(display, parentVisual, parentDepth)) return {parentVisual, parentDepth, true};
  XVisualInfo info;
  if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) &&
      IsDirect(display, info.visual, 24)) {
    return {info.visual, 24, true};
  }
  return {DefaultVisual(display, screen), DefaultDepth(display, screen), false};
}

X11SurfaceOutput::X11SurfaceOutput(Display* display, const X11VisualChoice& visual)
    : display_(display), visual_(visual) {}

X11SurfaceOutput::~X11SurfaceOutput() { DropImage(); }

void X11SurfaceOutput::DropImage() {
  if (!image_) return;
  // The pixels belong to the bitmap; XDestroyImage would free them.
  image_->data = nullptr;
  XDestroyImage(image_);
  image_ = nullptr;
  imagePixels_ = nullptr;
}

XImage* X11SurfaceOutput::ImageFor(const PixBitmap& bitmap) {
  if (image_ && imagePixels_ == bitmap.Pixels() && imageSpan_ == bitmap.RowSpan() &&
      imageHeight_ == bitmap.Height()) {
    return image_;
  }
  DropImage();
  const int span = bitmap.RowSpan();
  image_ = XCreateImage(display_, visual_.visual, unsigned(visual_.depth), ZPixmap, 0,
                        reinterpret_cast<char*>(bitmap.Pixels()), unsigned(span),
                        unsigned(bitmap.Height()), 32, span * 4);
  if (!image_) return nullptr;
  image_->byte_order = NativeByteOrder();
  imagePixels_ = bitmap.Pixels();
  imageSpan_ = span;
  imageHeight_ = bitmap.Height();
  return image_;
}

bool X11SurfaceOutput::Put(Drawable drawable, GC gc, const PixBitmap& bitmap, int left, int top,
                           int right, int bottom) {
  if (!bitmap.Pixels() || bitmap.IsFlipped()) return false;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, bitmap.Width());
  bottom = std::min(bottom, bitmap.Height());
  if (left >= right || top >= bottom) return false;
  const int w = right - left, h = bottom - top;
  if (!visual_.direct) return PutConverted(drawable, gc, bitmap, left, top, w, h);
  XImage* image = ImageFor(bitmap);
  if (!image) return false;
  XPutImage(display_, drawable, gc, image, left, top, left, top, unsigned(w), unsigned(h));
  return true;
}

bool X11SurfaceOutput::PutConverted(Drawable drawable, GC gc, const PixBitmap& bitmap, int x,
                                    int y, int w, int h) {
  XImage* image = XCreateImage(display_, visual_.visual, unsigned(visual_.depth), ZPixmap, 0,
                               nullptr, unsigned(w), unsigned(h), 32, 0);
  if (!image) return false;
  converted_.assign(std::size_t(image->bytes_per_line) * std::size_t(h), 0);
  image->data = converted_.data();
  const Visual* v = visual_.visual;
  for (int row = 0; row < h; ++row) {
    const std::uint32_t* src = bitmap.Pixels() + std::size_t(y + row) * bitmap.RowSpan() + x;
    for (int col = 0; col < w; ++col) {
      const std::uint32_t p = src[col];
      XPutPixel(image, col, row,
                ChannelToMask(PixRed(p), v->red_mask) | ChannelToMask(PixGreen(p), v->green_mask) |
                    ChannelToMask(PixBlue(p), v->blue_mask));
    }
  }
  XPutImage(display_, drawable, gc, image, 0, 0, x, y, unsigned(w), unsigned(h));
  image->data = nullptr;
  XDestroyImage(image);
  return true;
}

}  // namespace fluvia
