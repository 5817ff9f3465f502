#include "tests/app/program/screen_user.h"

#include <chrono>
#include <thread>

#include "graphics/x11/x11_menu_view.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace fluvia::testing {
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

ScreenUser::ScreenUser() : display_(XOpenDisplay(nullptr)) {}
ScreenUser::~ScreenUser() {
  if (display_) XCloseDisplay(display_);
}

WindowInfo ScreenUser::WaitForWindow(const std::string& title, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
    WindowInfo found;
    for (unsigned i = 0; i < count && !found.window; ++i) {
      char* name = nullptr;
      XWindowAttributes a{};
      if (XFetchName(display_, children[i], &name) && name) {
        if (title == name && XGetWindowAttributes(display_, children[i], &a) &&
            a.map_state == IsViewable) {
          found = {children[i], a.x, a.y, a.width, a.height};
        }
        XFree(name);
      }
    }
    if (children) XFree(children);
    if (found.window) return found;
    Sleep(20);
  }
  return {};
}

WindowInfo ScreenUser::Refresh(const WindowInfo& window) {
  XWindowAttributes a{};
  XSync(display_, False);
  int (*old)(Display*, XErrorEvent*) = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const bool ok = XGetWindowAttributes(display_, window.window, &a) != 0;
  XSync(display_, False);
  XSetErrorHandler(old);
  if (!ok) return {};
  return {window.window, a.x, a.y, a.width, a.height};
}

std::string ScreenUser::WindowClass(const WindowInfo& window) {
  XClassHint hint{};
  std::string out;
  if (XGetClassHint(display_, window.window, &hint)) {
    out = std::string(hint.res_name ? hint.res_name : "") + "." +
          (hint.res_class ? hint.res_class : "");
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
  }
  return out;
}

bool ScreenUser::HasIcon(const WindowInfo& window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom icon = XInternAtom(display_, "_NET_WM_ICON", False);
  const bool ok = XGetWindowProperty(display_, window.window, icon, 0, 1 << 16, False,
                                     XA_CARDINAL, &type, &format, &count, &after, &data) ==
                      Success && count > 2;
  if (data) XFree(data);
  return ok;
}

std::vector<uint32_t> ScreenUser::Screenshot(int x, int y, int width, int height) {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, unsigned(width),
                            unsigned(height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(size_t(width) * size_t(height));
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      pixels.push_back(uint32_t(XGetPixel(image, column, row)) & 0xffffffu);
    }
  }
  XDestroyImage(image);
  return pixels;
}

std::vector<WindowInfo> ScreenUser::Menus() {
  std::vector<WindowInfo> out;
  ::Window root = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
    return out;
  }
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, children[i], &a) && a.override_redirect &&
        a.map_state == IsViewable) {
      out.push_back({children[i], a.x, a.y, a.width, a.height});
    }
  }
  if (children) XFree(children);
  return out;
}

std::vector<WindowInfo> ScreenUser::WaitForMenus(std::size_t count, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    std::vector<WindowInfo> menus = Menus();
    if (menus.size() == count) {
      Sleep(100);  // the menu takes the pointer and keyboard on its next tick
      return menus;
    }
    Sleep(20);
  }
  return {};
}

void ScreenUser::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
}

void ScreenUser::Click(int x, int y, unsigned button) {
  MoveTo(x, y);
  Sleep(30);
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XSync(display_, False);
  Sleep(30);
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XSync(display_, False);
}

void ScreenUser::Drag(int x0, int y0, int x1, int y1, int steps) {
  MoveTo(x0, y0);
  Sleep(30);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XSync(display_, False);
  for (int i = 1; i <= steps; ++i) {
    Sleep(30);
    MoveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  }
  Sleep(30);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XSync(display_, False);
}

void ScreenUser::PressKey(unsigned long keysym) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), True, CurrentTime);
  XSync(display_, False);
}

void ScreenUser::ReleaseKey(unsigned long keysym) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), False, CurrentTime);
  XSync(display_, False);
}

void ScreenUser::RequestClose(const WindowInfo& window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window.window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window.window, False, NoEventMask, &event);
  XSync(display_, False);
}

int MenuRowY(const WindowInfo& menu, int row, const std::vector<int>& separatorsAbove) {
  int y = MenuMetrics::kPadding;
  for (int i = 0; i < row; ++i) {
    bool separator = false;
    for (int s : separatorsAbove) separator = separator || s == i;
    y += separator ? MenuMetrics::kSeparatorHeight : MenuMetrics::kRowHeight;
  }
  return menu.y + y + MenuMetrics::kRowHeight / 2;
}

}  // namespace fluvia::testing
