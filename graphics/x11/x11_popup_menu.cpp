#include "graphics/x11/x11_popup_menu.h"

#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "graphics/pix/pix_sys_bitmap.h"
#include "graphics/x11/x11_menu_view.h"

namespace fluvia {
namespace {

constexpr int kIdleMs = 40;
// A sub-menu overlaps its parent by this much, so the pointer can cross over without gap.
constexpr int kCascadeOverlap = 3;

struct Level {
  IMenuList* list = nullptr;
  Window window = 0;
  GC gc = nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  int highlighted = -1;
  PixSysBitmap bitmap;
  std::unique_ptr<X11SurfaceOutput> output;

  bool Contains(int rx, int ry) const { return rx >= x && rx < x + w && ry >= y && ry < y + h; }
};

}  // namespace

class X11PopupMenu::Session {
 public:
  Session(const X11PopupContext& context, IMenuList& menu, int rootX, int rootY)
      : c_(context), d_(context.display) {
    screenW_ = DisplayWidth(d_, c_.screen);
    screenH_ = DisplayHeight(d_, c_.screen);
    OpenLevel(menu, rootX, rootY, rootX);
    if (levels_.empty()) {
      done_ = true;
      return;
    }
    TryGrab();
  }

  ~Session() {
    if (pointerGrabbed_) XUngrabPointer(d_, CurrentTime);
    if (keyboardGrabbed_) XUngrabKeyboard(d_, CurrentTime);
    while (!levels_.empty()) CloseDeepest();
    XFlush(d_);
  }

  bool Finished() const { return done_; }
  IMenuList* Chosen() const { return chosen_; }

  void TryGrab() {
    if (levels_.empty() || grabAttempts_ >= kGrabAttempts) return;
    if (pointerGrabbed_ && keyboardGrabbed_) return;
    ++grabAttempts_;
    const Window grabWindow = levels_.front()->window;
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    // A grab the host holds for a moment (its own button handling) may still be ending; the
    // next tick tries again rather than waiting here.
    if (!pointerGrabbed_) {
      pointerGrabbed_ = XGrabPointer(d_, grabWindow, True, mask, GrabModeAsync, GrabModeAsync,
                                     None, None, CurrentTime) == GrabSuccess;
    }
    if (!keyboardGrabbed_) {
      keyboardGrabbed_ = XGrabKeyboard(d_, grabWindow, False, GrabModeAsync, GrabModeAsync,
                                       CurrentTime) == GrabSuccess;
    }
    XFlush(d_);
  }

  // True when the event was the menu's.
  bool Handle(XEvent& event) {
    switch (event.type) {
      case Expose:
        if (Level* level = LevelOfWindow(event.xexpose.window)) {
          if (event.xexpose.count == 0) Paint(*level);
          return true;
        }
        return false;
      case MotionNotify:
        Hover(event.xmotion.x_root, event.xmotion.y_root);
        return true;
      case ButtonPress: {
        const unsigned button = event.xbutton.button;
        if (button != Button1 && button != Button2 && button != Button3) return true;  // wheel
        const int depth = LevelAt(event.xbutton.x_root, event.xbutton.y_root);
        if (depth < 0) {
          done_ = true;  // a click outside dismisses
          return true;
        }
        armed_ = true;
        Hover(event.xbutton.x_root, event.xbutton.y_root);
        return true;
      }
      case ButtonRelease: {
        const unsigned button = event.xbutton.button;
        if (button != Button1 && button != Button2 && button != Button3) return true;
        const int depth = LevelAt(event.xbutton.x_root, event.xbutton.y_root);
        // The release of the click that opened the menu chooses only once the pointer has
        // been moved onto the menu; otherwise a menu that had to be placed under the pointer
        // would choose at once.
        if (depth < 0 || !armed_) return true;
        const int row = RowAt(size_t(depth), event.xbutton.y_root);
        if (row >= 0) Choose(size_t(depth), row);
        return true;
      }
      case KeyPress:
        Key(event.xkey);
        return true;
      case KeyRelease:
      case EnterNotify:
      case LeaveNotify:
        return true;  // input belongs to the menu while it is up
      default:
        return LevelOfWindow(event.xany.window) != nullptr;
    }
  }

 private:
  static constexpr int kGrabAttempts = 25;  // a second of timer ticks

  void OpenLevel(IMenuList& list, int x, int y, int parentLeft) {
    if (list.NumItems() == 0) return;
    auto level = std::make_unique<Level>();
    level->list = &list;
    level->w = MenuWidth(list);
    level->h = MenuHeight(list);
    // Keep the level on the screen: cascade to the other side of the parent when it would
    // leave it on the right, slide up when it would leave it at the bottom.
    if (x + level->w > screenW_) {
      x = levels_.empty() ? screenW_ - level->w : parentLeft - level->w + kCascadeOverlap;
    }
    level->x = std::max(0, x);
    level->y = std::max(0, std::min(y, screenH_ - level->h));

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | KeyPressMask;
    unsigned long valueMask =
        CWOverrideRedirect | CWSaveUnder | CWBorderPixel | CWBackPixel | CWEventMask;
    if (c_.colormap) {
      attributes.colormap = c_.colormap;
      valueMask |= CWColormap;
    }
    level->window = XCreateWindow(d_, RootWindow(d_, c_.screen), level->x, level->y,
                                  unsigned(level->w), unsigned(level->h), 0, c_.visual.depth,
                                  InputOutput, c_.visual.visual, valueMask, &attributes);
    if (!level->window) return;
    level->gc = XCreateGC(d_, level->window, 0, nullptr);
    level->bitmap.Resize(level->w, level->h);
    level->output = std::make_unique<X11SurfaceOutput>(d_, c_.visual);
    RenderMenu(level->bitmap, list, -1);
    XMapRaised(d_, level->window);
    levels_.push_back(std::move(level));
    XFlush(d_);
  }

  void CloseDeepest() {
    std::unique_ptr<Level>& level = levels_.back();
    level->output.reset();
    if (level->gc) XFreeGC(d_, level->gc);
    if (level->window) XDestroyWindow(d_, level->window);
    levels_.pop_back();
  }

  void CloseDeeperThan(size_t depth) {
    while (levels_.size() > depth + 1) CloseDeepest();
  }

  void Paint(Level& level) {
    RenderMenu(level.bitmap, *level.list, level.highlighted);
    level.output->Put(level.window, level.gc, level.bitmap, 0, 0, level.w, level.h);
  }

  void SetHighlight(size_t depth, int row) {
    Level& level = *levels_[depth];
    if (level.highlighted == row) return;
    level.highlighted = row;
    Paint(level);
  }

  // The deepest level under the point, as an index into levels_, or -1.
  int LevelAt(int rx, int ry) const {
    for (int i = int(levels_.size()) - 1; i >= 0; --i) {
      if (levels_[size_t(i)]->Contains(rx, ry)) return i;
    }
    return -1;
  }

  int RowAt(size_t depth, int ry) const {
    const Level& level = *levels_[depth];
    return MenuRowAt(*level.list, ry - level.y);
  }

  void OpenSubMenuOf(size_t depth, int row) {
    Level& level = *levels_[depth];
    IMenuEntry* entry = level.list->Item(row);
    if (!entry || !entry->subMenu || !MenuRowActive(*entry)) return;
    if (levels_.size() > depth + 1 && levels_[depth + 1]->list == entry->subMenu) return;
    CloseDeeperThan(depth);
    OpenLevel(*entry->subMenu, level.x + level.w - kCascadeOverlap,
              level.y + MenuRowTop(*level.list, row) - MenuMetrics::kPadding, level.x);
  }

  void Hover(int rx, int ry) {
    const int depth = LevelAt(rx, ry);
    if (depth < 0) return;
    armed_ = true;
    const int row = RowAt(size_t(depth), ry);
    const IMenuEntry* entry = row >= 0 ? levels_[size_t(depth)]->list->Item(row) : nullptr;
    const bool active = entry && MenuRowActive(*entry);
    SetHighlight(size_t(depth), active ? row : -1);
    if (active && entry->subMenu) {
      OpenSubMenuOf(size_t(depth), row);
    } else if (active) {
      CloseDeeperThan(size_t(depth));
    }
  }

  void Choose(size_t depth, int row) {
    Level& level = *levels_[depth];
    const IMenuEntry* entry = level.list->Item(row);
    if (!entry || !entry->Choosable()) return;
    level.list->chosenIndex = row;
    chosen_ = level.list;
    done_ = true;
  }

  void MoveHighlight(int step) {
    Level& level = *levels_.back();
    const int count = level.list->NumItems();
    int row = level.highlighted;
    for (int tries = 0; tries < count; ++tries) {
      row = row < 0 ? (step > 0 ? 0 : count - 1) : (row + step + count) % count;
      if (MenuRowActive(*level.list->Item(row))) {
        SetHighlight(levels_.size() - 1, row);
        return;
      }
    }
  }

  void EnterHighlighted(bool chooseToo) {
    const size_t depth = levels_.size() - 1;
    Level& level = *levels_[depth];
    const IMenuEntry* entry = level.list->Item(level.highlighted);
    if (!entry) return;
    if (entry->subMenu) {
      OpenSubMenuOf(depth, level.highlighted);
      if (levels_.size() > depth + 1) MoveHighlight(1);
    } else if (chooseToo) {
      Choose(depth, level.highlighted);
    }
  }

  void Key(XKeyEvent& key) {
    switch (XLookupKeysym(&key, 0)) {
      case XK_Escape: done_ = true; break;
      case XK_Up:
      case XK_KP_Up: MoveHighlight(-1); break;
      case XK_Down:
      case XK_KP_Down: MoveHighlight(1); break;
      case XK_Right:
      case XK_KP_Right: EnterHighlighted(false); break;
      case XK_Left:
      case XK_KP_Left:
        if (levels_.size() > 1) CloseDeepest();
        break;
      case XK_Return:
      case XK_KP_Enter:
      case XK_space: EnterHighlighted(true); break;
      default: break;
    }
  }

  Level* LevelOfWindow(Window window) {
    for (std::unique_ptr<Level>& level : levels_) {
      if (level->window == window) return level.get();
    }
    return nullptr;
  }

  const X11PopupContext& c_;
  Display* d_;
  int screenW_ = 0;
  int screenH_ = 0;
  std::vector<std::unique_ptr<Level>> levels_;
  IMenuList* chosen_ = nullptr;
  bool done_ = false;
  bool armed_ = false;
  bool pointerGrabbed_ = false;
  bool keyboardGrabbed_ = false;
  int grabAttempts_ = 0;
};

X11PopupMenu::X11PopupMenu(const X11PopupContext& context, IMenuList& menu, int rootX,
                           int rootY) {
  if (context.display) session_ = std::make_unique<Session>(context, menu, rootX, rootY);
}

X11PopupMenu::~X11PopupMenu() = default;

bool X11PopupMenu::Handle(XEvent& event) { return session_ && session_->Handle(event); }
void X11PopupMenu::Tick() {
  if (session_) session_->TryGrab();
}
bool X11PopupMenu::Finished() const { return !session_ || session_->Finished(); }
IMenuList* X11PopupMenu::Chosen() const { return session_ ? session_->Chosen() : nullptr; }

IMenuList* RunPopupMenu(const X11PopupContext& context, IMenuList& menu, int rootX, int rootY) {
  if (!context.display || menu.NumItems() == 0) return nullptr;
  X11PopupMenu popup(context, menu, rootX, rootY);
  Display* display = context.display;
  auto lastIdle = std::chrono::steady_clock::now();
  while (!popup.Finished()) {
    if (context.ownerGone && context.ownerGone()) return nullptr;
    if (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (!popup.Handle(event) && context.otherEvent) context.otherEvent(event);
    } else {
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, kIdleMs);
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastIdle >= std::chrono::milliseconds(kIdleMs)) {
      lastIdle = now;
      popup.Tick();
      if (context.idle) context.idle();
    }
  }
  return popup.Chosen();
}

}  // namespace fluvia
