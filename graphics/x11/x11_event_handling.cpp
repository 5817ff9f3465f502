// How the editor window's X events become editor events.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "graphics/key_codes.h"
#include "graphics/x11/graphics_x11.h"
#include "graphics/x11/x11_error_trap.h"
#include "graphics/x11/x11_keys.h"
#include "graphics/x11/x11_window_state.h"

namespace fluvia {
namespace {

constexpr unsigned kWheelUp = 4;
constexpr unsigned kWheelDown = 5;

// The modifier and button state of an X event. X reports the state from before the event, so
// a press adds its button and a release takes it away, as the Windows mouse messages do.
IMouseKeys KeysFromState(unsigned state, unsigned pressed = 0, unsigned released = 0) {
  unsigned buttons = state;
  if (pressed == Button1) buttons |= Button1Mask;
  if (pressed == Button3) buttons |= Button3Mask;
  if (released == Button1) buttons &= ~unsigned(Button1Mask);
  if (released == Button3) buttons &= ~unsigned(Button3Mask);
  IMouseKeys keys;
  keys.left = (buttons & Button1Mask) != 0;
  keys.right = (buttons & Button3Mask) != 0;
  keys.shift = (state & ShiftMask) != 0;
  keys.control = (state & ControlMask) != 0;
  keys.alt = (state & Mod1Mask) != 0;
  return keys;
}

bool IsInput(int type) {
  return type == ButtonPress || type == ButtonRelease || type == MotionNotify ||
         type == KeyPress || type == KeyRelease || type == EnterNotify || type == LeaveNotify;
}

}  // namespace

void IGraphicsX11::ProcessPendingEvents() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!x_) return;
  X11ErrorTrap trap(x_->display);
  while (x_ && XPending(x_->display) > 0) {
    XEvent event;
    XNextEvent(x_->display, &event);
    HandleEvent(event);
  }
}

void IGraphicsX11::HandleEvent(XEvent& event) {
  if (!x_) return;
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (OfferToMenu(event)) return;
  if (event.xany.window != x_->window) return;
  // A modal menu or dialog is up: the editor keeps painting but takes no input.
  if (modalDepth_ > 0 && IsInput(event.type)) return;
  switch (event.type) {
    case Expose: {
      const XExposeEvent& e = event.xexpose;
      Invalidate(IBounds(e.x, e.y, e.x + e.width, e.y + e.height));
      if (e.count == 0) Redraw();
      break;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == x_->window) {
        // The host destroyed its window first; ours went with it.
        x_->windowGone = true;
        x_->hostCapture = false;
        AbandonPrompts();
      }
      break;
    case ButtonPress: HandleButtonPress(event); break;
    case ButtonRelease: HandleButtonRelease(event); break;
    case MotionNotify: HandleMotion(event); break;
    case LeaveNotify: {
      const XCrossingEvent& e = event.xcrossing;
      // Crossings caused by our own grab (a drag leaving the window) are not the pointer
      // leaving; when the grab ends outside, an ungrab crossing reports it.
      if (!x_->hostCapture && e.detail != NotifyInferior &&
          (e.mode == NotifyNormal || e.mode == NotifyUngrab)) {
        OnMouseOut();
      }
      break;
    }
    case KeyPress:
    case KeyRelease: HandleKey(event); break;
    default: break;  // focus changes and structure notices need nothing
  }
}

void IGraphicsX11::HandleButtonPress(XEvent& event) {
  const XButtonEvent& e = event.xbutton;
  if (e.button == kWheelUp || e.button == kWheelDown) {
    OnMouseWheel(e.x, e.y, KeysFromState(e.state), e.button == kWheelUp ? 1 : -1);
    return;
  }
  if (e.button != Button1 && e.button != Button2 && e.button != Button3) return;  // tilt, extra
  const IMouseKeys keys = KeysFromState(e.state, e.button);
  // Keys reach an embedded window only once it has the focus; a click gives it.
  XSetInputFocus(x_->display, x_->window, RevertToParent, CurrentTime);
  if (x_->clicks.Press(e.button, e.time, e.x, e.y) && e.button == Button1) {
    if (OnMouseDblClick(e.x, e.y, keys) && x_ && !x_->hostCapture) {
      x_->hostCapture = XGrabPointer(x_->display, x_->window, False,
                                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                     GrabModeAsync, GrabModeAsync, None, None,
                                     CurrentTime) == GrabSuccess;
    }
    return;
  }
  if (!x_->hostCapture) {
    // Drags keep reaching the editor when the pointer leaves the window.
    x_->hostCapture = XGrabPointer(x_->display, x_->window, False,
                                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                   GrabModeAsync, GrabModeAsync, None, None,
                                   CurrentTime) == GrabSuccess;
  }
  OnMouseDown(e.x, e.y, keys);
}

void IGraphicsX11::HandleButtonRelease(XEvent& event) {
  const XButtonEvent& e = event.xbutton;
  if (e.button != Button1 && e.button != Button2 && e.button != Button3) return;
  const unsigned held = e.state & (Button1Mask | Button2Mask | Button3Mask);
  const unsigned releasedMask = e.button == Button1 ? Button1Mask
                                : e.button == Button2 ? Button2Mask
                                                      : Button3Mask;
  // The grab ends with the last button.
  if ((held & ~releasedMask) == 0) ReleaseCapture();
  OnMouseUp(e.x, e.y, KeysFromState(e.state, 0, e.button));
}

void IGraphicsX11::HandleMotion(XEvent& event) {
  // Of a run of moves only the latest position matters: drags take their movement from the
  // last one handled. Only moves next in the queue count; one behind a press or release must
  // stay behind it.
  XEvent next;
  while (XEventsQueued(x_->display, QueuedAlready) > 0) {
    XPeekEvent(x_->display, &next);
    if (next.type != MotionNotify || next.xmotion.window != x_->window) break;
    XNextEvent(x_->display, &event);
  }
  const XMotionEvent& e = event.xmotion;
  const IMouseKeys keys = KeysFromState(e.state);
  if (keys.left || keys.right) {
    if (x_->hostCapture && MouseCapture() >= 0 && (e.x != LastMouseX() || e.y != LastMouseY())) {
      OnMouseDrag(e.x, e.y, e.x - LastMouseX(), e.y - LastMouseY(), keys);
    }
    return;
  }
  OnMouseOver(e.x, e.y, keys);
}

void IGraphicsX11::HandleKey(XEvent& event) {
  if (event.type == KeyPress) {
    XKeyEvent& e = event.xkey;
    const int code = KeyCodeFromVirtualKey(VirtualKeyFromKeySym(XLookupKeysym(&e, 0)));
    if (code >= 0 && OnKeyDown(e.x, e.y, code)) return;
  }
  // Keys the editor does not take are the host's (its shortcuts, its transport).
  ForwardToHost(event);
}

void IGraphicsX11::ForwardToHost(XEvent& event) {
  if (!x_ || !x_->topLevel) return;
  XEvent copy = event;
  copy.xkey.window = x_->topLevel;
  copy.xkey.subwindow = None;
  XSendEvent(x_->display, x_->topLevel, False,
             event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
  XFlush(x_->display);
}

}  // namespace fluvia
