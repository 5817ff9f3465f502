#pragma once
// Puts rectangles of a 32-bit bitmap on an X drawable. Where the window's visual is 24-bit
// TrueColor with 32-bit pixels (every common X server), the bitmap's own memory is handed to
// XPutImage; any other visual gets the pixels converted into a buffer of its layout first.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

namespace fluvia {

class PixBitmap;

// The visual and depth an editor or menu window is made with.
struct X11VisualChoice {
  Visual* visual = nullptr;
  int depth = 0;
  // True when the bitmap's pixels (0x00RRGGBB in native byte order) need no conversion.
  bool direct = false;
};

// Prefers the parent's own visual when it is directly usable (no colormap of our own needed),
// then any 24-bit TrueColor visual, then the screen's default visual (converted output).
X11VisualChoice ChooseVisual(Display* display, int screen, Visual* parentVisual,
                             int parentDepth);

class X11SurfaceOutput {
 public:
  X11SurfaceOutput(Display* display, const X11VisualChoice& visual);
  ~X11SurfaceOutput();
  X11SurfaceOutput(const X11SurfaceOutput&) = delete;
  X11SurfaceOutput& operator=(const X11SurfaceOutput&) = delete;

  // Copies the part of `bitmap` inside (left, top, right, bottom), cut to the bitmap, to the
  // same place on `drawable`. Returns false when there was nothing to copy.
  bool Put(Drawable drawable, GC gc, const PixBitmap& bitmap, int left, int top, int right,
           int bottom);

 private:
  XImage* ImageFor(const PixBitmap& bitmap);
  void DropImage();
  bool PutConverted(Drawable drawable, GC gc, const PixBitmap& bitmap, int x, int y, int w,
                    int h);

  Display* display_;
  X11VisualChoice visual_;
  // The XImage that wraps the bitmap's memory in the direct case, kept while the bitmap's
  // buffer and size stay the same.
  XImage* image_ = nullptr;
  const std::uint32_t* imagePixels_ = nullptr;
  int imageSpan_ = 0;
  int imageHeight_ = 0;
  std::vector<char> converted_;
};

}  // namespace fluvia
