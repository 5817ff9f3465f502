#pragma once
// The popup menus on the screen as a test sees them from a connection of its own: the mapped
// override-redirect children of the root window, bottom first. Include after everything else:
// Xlib's macros clash with other headers' names.

#include <X11/Xlib.h>

#include <vector>

namespace fluvia::testing {

struct PopupWindow {
  ::Window window;
  int x, y, width, height;
};

inline std::vector<PopupWindow> PopupWindows(Display* display) {
  std::vector<PopupWindow> out;
  ::Window root = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    return out;
  }
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, children[i], &a) && a.override_redirect &&
        a.map_state == IsViewable) {
      out.push_back({children[i], a.x, a.y, a.width, a.height});
    }
  }
  if (children) XFree(children);
  return out;
}

}  // namespace fluvia::testing
