#pragma once
// The application's top-level X11 window: titled "Fluvia", of the editor's size (which the
// person cannot drag to another size; the editor's size choice resizes it), with the program's
// icon and class for the desktop, closable through the window manager. The editor is an X child
// window inside it, on a connection of its own; keys the editor does not take come here (the
// editor sends them on to its top-level window), as do focus changes.

#include <X11/Xlib.h>

#include <vector>

#include "app/application.h"

namespace fluvia::app {

class X11AppWindow : public AppWindow {
 public:
  X11AppWindow(Display* display, int width, int height);
  ~X11AppWindow() override;
  X11AppWindow(const X11AppWindow&) = delete;
  X11AppWindow& operator=(const X11AppWindow&) = delete;

  bool Valid() const { return window_ != 0; }
  void* ParentHandle() override;
  void SetContentSize(int width, int height) override;

  // Handles one event of the window's connection.
  void Handle(XEvent& event, Application& app);
  // Key releases are held back briefly: a held key's auto-repeat arrives as a release and a
  // press at the same moment, which must not end and restart the note. Call once per loop.
  void CommitReleases(Application& app);

 private:
  void Key(XKeyEvent& event, Application& app);

  Display* display_;
  ::Window window_ = 0;
  Atom protocols_ = 0;
  Atom deleteWindow_ = 0;
  struct PendingRelease {
    unsigned keycode;
    ::Time time;
    char key;
  };
  std::vector<PendingRelease> releases_;
};

// The icon's pixels for _NET_WM_ICON (width, height, then ARGB pixels), from the embedded PNG.
std::vector<unsigned long> X11IconData();

}  // namespace fluvia::app
