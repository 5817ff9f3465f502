#pragma once
// What an open editor window holds on the X side. Internal to the X11 window host.

#include <X11/Xlib.h>

#include <memory>

#include "graphics/bounds.h"
#include "graphics/x11/x11_double_click.h"
#include "graphics/x11/x11_surface_output.h"

namespace fluvia {

struct X11WindowState {
  Display* display = nullptr;
  int screen = 0;
  Window window = 0;
  Window parent = 0;
  // The host's top-level window: keys the editor does not take are sent on to it.
  Window topLevel = 0;
  GC gc = nullptr;
  X11VisualChoice visual;
  Colormap colormap = 0;  // ours when the visual differs from the parent's, else 0
  std::unique_ptr<X11SurfaceOutput> output;
  Cursor blankCursor = 0;
  DoubleClickDetector clicks;
  // A press holds an active pointer grab until its release.
  bool hostCapture = false;
  // The host destroyed its window (and ours with it) before closing the editor.
  bool windowGone = false;
  // Exposed or otherwise invalidated area not yet drawn.
  IBounds invalid;
};

}  // namespace fluvia
