#pragma once
// The editor's popup menus on plain X11: override-redirect windows, one per open level, with
// sub-menus cascading to the side, on the editor's own connection.

#include <X11/Xlib.h>

#include <functional>
#include <memory>

#include "graphics/menu_list.h"
#include "graphics/x11/x11_surface_output.h"

namespace fluvia {

struct X11PopupContext {
  Display* display = nullptr;
  int screen = 0;
  Window owner = 0;  // the editor window
  X11VisualChoice visual;
  Colormap colormap = 0;  // for visual; 0 when it is the parent's and needs none
  // Modal form only (RunPopupMenu): events for windows other than the menu's own (the
  // editor's exposures, its destruction), a call about every 40 ms so the editor keeps
  // redrawing underneath, and whether the owner window is gone (the menu closes).
  std::function<void(XEvent&)> otherEvent;
  std::function<void()> idle;
  std::function<bool()> ownerGone;
};

// An open popup menu. Creating it shows the first level with its top-left corner at
// (rootX, rootY) of the screen (moved to stay on it); it closes when destroyed. It does not
// run by itself: the owner hands it the events of the editor's connection (Handle) and ticks
// it from its timer (Tick), so the menu lives inside the host's run loop and the host keeps
// running while it is open.
//
// Mouse: moving over a sub-menu caption opens it; a release over an entry chooses it (the
// release of the click that opened the menu included, when the pointer was dragged onto an
// entry). Keys: Up and Down move, Right or Enter open a sub-menu, Left closes one, Enter or
// space choose, Escape dismisses; so does a click outside every level. A click on a greyed,
// disabled or separator row does nothing.
class X11PopupMenu {
 public:
  X11PopupMenu(const X11PopupContext& context, IMenuList& menu, int rootX, int rootY);
  ~X11PopupMenu();
  X11PopupMenu(const X11PopupMenu&) = delete;
  X11PopupMenu& operator=(const X11PopupMenu&) = delete;

  // Takes the event if it belongs to the menu (its windows, or input while it holds the
  // pointer and keyboard); false for anything else, which the caller handles itself.
  bool Handle(XEvent& event);
  // Retries taking the pointer and keyboard while another client (the host, finishing its
  // own button handling) still holds them. Never waits.
  void Tick();
  // True once chosen or dismissed; at once for a menu with nothing to show.
  bool Finished() const;
  // The (sub-)menu in which an entry was chosen, its chosenIndex set; null when dismissed.
  IMenuList* Chosen() const;

 private:
  class Session;
  std::unique_ptr<Session> session_;
};

// The modal form: shows the menu and runs a local loop on the editor's connection until it is
// answered (the context's otherEvent, idle and ownerGone serve this loop only). Returns what
// Chosen() would, or null when the owner window went away.
IMenuList* RunPopupMenu(const X11PopupContext& context, IMenuList& menu, int rootX, int rootY);

}  // namespace fluvia
