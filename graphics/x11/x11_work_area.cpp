#include "graphics/x11/x11_work_area.h"

#include <X11/Xatom.h>

namespace fluvia {
namespace {

// A CARDINAL array property of the root window; the caller frees the data with XFree.
unsigned long* CardinalProperty(Display* display, Window root, const char* name,
                                unsigned long& count) {
  const Atom atom = XInternAtom(display, name, True);
  count = 0;
  if (atom == None) return nullptr;
  Atom type = None;
  int format = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, root, atom, 0, 1024, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) != Success) {
    return nullptr;
  }
  if (type != XA_CARDINAL || format != 32 || !data) {
    if (data) XFree(data);
    count = 0;
    return nullptr;
  }
  // Format-32 properties arrive as longs, whatever the size of a long.
  return reinterpret_cast<unsigned long*>(data);
}

}  // namespace

bool X11WorkArea(Display* display, int& width, int& height) {
  if (!display || ScreenCount(display) < 1) return false;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  width = DisplayWidth(display, screen);
  height = DisplayHeight(display, screen);

  unsigned long desktops = 0;
  unsigned long current = 0;
  if (unsigned long* value = CardinalProperty(display, root, "_NET_CURRENT_DESKTOP", desktops)) {
    if (desktops >= 1) current = value[0];
    XFree(value);
  }
  unsigned long count = 0;
  if (unsigned long* area = CardinalProperty(display, root, "_NET_WORKAREA", count)) {
    // Four numbers (x, y, width, height) per desktop.
    const unsigned long at = (current + 1) * 4 <= count ? current * 4 : 0;
    if (count >= 4 && area[at + 2] > 0 && area[at + 3] > 0) {
      width = static_cast<int>(area[at + 2] < 1u << 20 ? area[at + 2] : 1u << 20);
      height = static_cast<int>(area[at + 3] < 1u << 20 ? area[at + 3] : 1u << 20);
    }
    XFree(area);
  }
  return width > 0 && height > 0;
}

}  // namespace fluvia
