#pragma once
// The editor's popup menus on plain X11: override-redirect windows, one per open level, with
// sub-menus cascading to the side. Modal: the call runs its own event loop on the editor's
// connection until an entry is chosen or the menu is dismissed.

#include <X11/Xlib.h>

#include <functional>

#include "graphics/menu_list.h"
#include "graphics/x11/x11_surface_output.h"

namespace fluvia {

struct X11PopupContext {
  Display* display = nullptr;
  int screen = 0;
  Window owner = 0;  // the editor window
  X11VisualChoice visual;
  Colormap colormap = 0;  // for visual; 0 when it is the parent's and needs none
  // Events for windows other than the menu's own (the editor's exposures, its destruction).
  // Input never goes there while the menu is up.
  std::function<void(XEvent&)> otherEvent;
  // Called about every 40 ms, so the editor keeps redrawing underneath.
  std::function<void()> idle;
  // True once the owner window is gone: the menu closes.
  std::function<bool()> ownerGone;
};

// Opens the menu with its top-left corner at (rootX, rootY) of the screen (moved to stay on
// it). Returns the (sub-)menu in which an entry was chosen, with its chosenIndex set, or null
// when the menu was dismissed: Escape, a click outside every level, or the editor closing.
// A click on a greyed, disabled or separator row does nothing.
//
// Mouse: moving over a sub-menu caption opens it; a release over an entry chooses it (the
// release of the click that opened the menu included, when the pointer was dragged onto an
// entry). Keys: Up and Down move, Right or Enter open a sub-menu, Left closes one, Enter or
// space choose, Escape dismisses.
IMenuList* RunPopupMenu(const X11PopupContext& context, IMenuList& menu, int rootX, int rootY);

}  // namespace fluvia
