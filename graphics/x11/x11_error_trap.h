#pragma once
// Keeps X protocol errors on the editor's own connection from reaching Xlib's default
// handler, which would end the host process (a parent window the host destroyed early, a grab
// refused). Errors on other connections (the host's) go to whatever handler was installed.

#include <X11/Xlib.h>

namespace fluvia {

// Set for the duration of every call into X on `display`; nests. The error handler is
// process-wide: it is installed while any trap is set and the one it replaced is put back
// afterwards, unless someone replaced it in the meantime.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits for the server to have handled every request sent so far and tells whether any of
  // them failed since the trap was set (or since the last call).
  bool SyncAndCheck();
  // The error code of the last failure seen, 0 for none.
  int LastError() const { return lastError_; }

 private:
  static int Handler(Display* display, XErrorEvent* error);

  Display* display_;
  X11ErrorTrap* outer_;
  int lastError_ = 0;
  int errorsSeen_ = 0;
  int checkedErrors_ = 0;
};

}  // namespace fluvia
