#pragma once
// The usable part of the X screen: the window manager's work area (_NET_WORKAREA of the
// current desktop, which leaves out panels and docks), else the whole default screen.

#include <X11/Xlib.h>

namespace fluvia {

// False when the display has no screen to measure.
bool X11WorkArea(Display* display, int& width, int& height);

}  // namespace fluvia
