#include "graphics/x11/x11_error_trap.h"

#include <mutex>

namespace fluvia {
namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

// The innermost trap of this thread. Xlib calls the handler on the thread that reads the
// connection, which for the editor's connection is the thread that set the trap.
thread_local X11ErrorTrap* g_innermost = nullptr;

// The handler is process-wide: one installation while any thread has a trap set, and the
// handler found then receives every error that is not on a trapped connection.
std::mutex g_installLock;
int g_activeTraps = 0;
ErrorHandler g_foreignHandler = nullptr;

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display), outer_(g_innermost) {
  {
    std::lock_guard<std::mutex> guard(g_installLock);
    if (g_activeTraps++ == 0) {
      ErrorHandler previous = XSetErrorHandler(&X11ErrorTrap::Handler);
      g_foreignHandler = previous == &X11ErrorTrap::Handler ? nullptr : previous;
    }
  }
  g_innermost = this;
}

X11ErrorTrap::~X11ErrorTrap() {
  g_innermost = outer_;
  std::lock_guard<std::mutex> guard(g_installLock);
  if (--g_activeTraps == 0) {
    // Only undo what is still ours: a handler the host installed since then stays.
    ErrorHandler current = XSetErrorHandler(g_foreignHandler);
    if (current != &X11ErrorTrap::Handler) XSetErrorHandler(current);
    g_foreignHandler = nullptr;
  }
}

bool X11ErrorTrap::SyncAndCheck() {
  if (display_) XSync(display_, False);
  const bool failed = errorsSeen_ != checkedErrors_;
  checkedErrors_ = errorsSeen_;
  return failed;
}

int X11ErrorTrap::Handler(Display* display, XErrorEvent* error) {
  for (X11ErrorTrap* trap = g_innermost; trap; trap = trap->outer_) {
    if (trap->display_ == display) {
      trap->lastError_ = error->error_code;
      ++trap->errorsSeen_;
      return 0;
    }
  }
  ErrorHandler forward = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_installLock);
    forward = g_foreignHandler;
  }
  // Another connection (the host's): its own handler decides. Without one, Xlib's default
  // would end the process, which is not this module's call to make either.
  if (forward) return forward(display, error);
  return 0;
}

}  // namespace fluvia
