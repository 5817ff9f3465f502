#include "app/linux/x11_app_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "app/resources/app_icon.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"

namespace fluvia::app {
namespace {

constexpr long kFrameEvents = KeyPressMask | KeyReleaseMask | FocusChangeMask |
                              StructureNotifyMask;

void FixSize(Display* display, ::Window window, int width, int height) {
  XSizeHints* hints = XAllocSizeHints();
  if (!hints) return;
  hints->flags = PMinSize | PMaxSize;
  hints->min_width = hints->max_width = width;
  hints->min_height = hints->max_height = height;
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
}

// The key as NoteKeyboard names it, or 0.
char KeyName(KeySym symbol) {
  if (symbol >= XK_a && symbol <= XK_z) return char('A' + (symbol - XK_a));
  if (symbol >= XK_A && symbol <= XK_Z) return char('A' + (symbol - XK_A));
  if (symbol == XK_semicolon) return ';';
  return 0;
}

}  // namespace

std::vector<unsigned long> X11IconData() {
  std::vector<unsigned long> data;
  std::unique_ptr<PixMemBitmap> icon(PixLoadPngFromMemory(kAppIconPng, kAppIconPngSize));
  if (!icon) return data;
  data.push_back(unsigned(icon->Width()));
  data.push_back(unsigned(icon->Height()));
  for (int y = 0; y < icon->Height(); ++y) {
    const uint32_t* row = icon->Pixels() + size_t(y) * size_t(icon->RowSpan());
    for (int x = 0; x < icon->Width(); ++x) data.push_back(row[x]);
  }
  return data;
}

X11AppWindow::X11AppWindow(Display* display, int width, int height) : display_(display) {
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = kFrameEvents;
  window_ = XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                          unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixel | CWEventMask, &attributes);
  if (!window_) return;

  XStoreName(display, window_, "Fluvia");
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const char title[] = "Fluvia";
  XChangeProperty(display, window_, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                  int(sizeof title - 1));
  XClassHint* classHint = XAllocClassHint();
  if (classHint) {
    char name[] = "fluvia";
    char className[] = "Fluvia";
    classHint->res_name = name;
    classHint->res_class = className;
    XSetClassHint(display, window_, classHint);
    XFree(classHint);
  }
  XWMHints* wmHints = XAllocWMHints();
  if (wmHints) {
    wmHints->flags = InputHint | StateHint;
    wmHints->input = True;
    wmHints->initial_state = NormalState;
    XSetWMHints(display, window_, wmHints);
    XFree(wmHints);
  }
  const std::vector<unsigned long> icon = X11IconData();
  if (!icon.empty()) {
    XChangeProperty(display, window_, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                    int(icon.size()));
  }
  const unsigned long pid = static_cast<unsigned long>(getpid());
  XChangeProperty(display, window_, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  protocols_ = XInternAtom(display, "WM_PROTOCOLS", False);
  deleteWindow_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window_, &deleteWindow_, 1);
  FixSize(display, window_, width, height);
  XMapWindow(display, window_);
  // The editor opens inside once the window is viewable, so that it can take the focus.
  XEvent event;
  XSync(display, False);
  for (int i = 0; i < 200; ++i) {
    if (XCheckTypedWindowEvent(display, window_, MapNotify, &event)) break;
    XSync(display, False);
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, window_, &a) && a.map_state == IsViewable) break;
    usleep(5000);
  }
}

X11AppWindow::~X11AppWindow() {
  if (window_) XDestroyWindow(display_, window_);
  XFlush(display_);
}

void* X11AppWindow::ParentHandle() {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_));
}

void X11AppWindow::SetContentSize(int width, int height) {
  if (!window_ || width <= 0 || height <= 0) return;
  FixSize(display_, window_, width, height);
  XResizeWindow(display_, window_, unsigned(width), unsigned(height));
  XFlush(display_);
}

void X11AppWindow::Handle(XEvent& event, Application& app) {
  switch (event.type) {
    case ClientMessage:
      if (event.xclient.message_type == protocols_ &&
          Atom(event.xclient.data.l[0]) == deleteWindow_) {
        app.RequestQuit();
      }
      break;
    case KeyPress:
    case KeyRelease:
      Key(event.xkey, app);
      break;
    case FocusOut:
      // Focus moving into the editor (our child) is not leaving the window.
      if (event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) {
        releases_.clear();
        app.FocusLost();
      }
      break;
    case FocusIn:
      break;
    default:
      break;
  }
}

void X11AppWindow::Key(XKeyEvent& event, Application& app) {
  const KeySym symbol = XLookupKeysym(&event, 0);
  if (event.type == KeyPress && (event.state & ControlMask) && symbol == XK_q) {
    app.RequestQuit();
    return;
  }
  const char key = KeyName(symbol);
  if (!key) return;
  if (event.type == KeyRelease) {
    releases_.push_back({event.keycode, event.time, key});
    return;
  }
  // A press at the moment of a held-back release is the key repeating: neither counts.
  for (auto it = releases_.begin(); it != releases_.end(); ++it) {
    if (it->keycode == event.keycode && it->time == event.time) {
      releases_.erase(it);
      return;
    }
  }
  if (event.state & (ControlMask | Mod1Mask)) return;  // shortcuts are not notes
  app.KeyDown(key);
}

void X11AppWindow::CommitReleases(Application& app) {
  for (const PendingRelease& release : releases_) app.KeyUp(release.key);
  releases_.clear();
}

}  // namespace fluvia::app
