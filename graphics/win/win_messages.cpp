// The editor window's and the text entry box's window procedures, and the redraw timer.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <cstdlib>
#include <mutex>

#include "graphics/control.h"
#include "graphics/key_codes.h"
#include "graphics/text_entry_rules.h"
#include "graphics/win/graphics_win.h"
#include "graphics/win/win_window_class.h"
#include "graphics/win/win_window_state.h"

namespace fluvia {
namespace {

int gOpenWindows = 0;
int gTimerRate = 25;
// The last window went while it was still being destroyed (by its host), when the class
// cannot be unregistered yet: that is done at the next chance.
bool gUnregisterPending = false;
constexpr const char* kTextEntryOwner = "FluviaTextEntryOwner";

IGraphicsWin* EditorOf(HWND window) {
  return reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

IMouseKeys MouseKeysOf(WPARAM wParam) {
  IMouseKeys keys;
  keys.left = (wParam & MK_LBUTTON) != 0;
  keys.right = (wParam & MK_RBUTTON) != 0;
  keys.shift = (wParam & MK_SHIFT) != 0;
  keys.control = (wParam & MK_CONTROL) != 0;
  keys.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  return keys;
}

}  // namespace

bool AcquireEditorWindowClass(HINSTANCE module) {
  if (gOpenWindows == 0) {
    RetryEditorWindowClassRelease(module);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = EditorWindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kEditorWindowClass;
    if (!RegisterClassA(&wc)) return false;
  }
  ++gOpenWindows;
  return true;
}

void ReleaseEditorWindowClass(HINSTANCE module) {
  if (gOpenWindows > 0 && --gOpenWindows == 0) {
    gUnregisterPending = !UnregisterClassA(kEditorWindowClass, module);
  }
}

void RetryEditorWindowClassRelease(HINSTANCE module) {
  if (gOpenWindows == 0 && gUnregisterPending) {
    gUnregisterPending = !UnregisterClassA(kEditorWindowClass, module);
  }
}

int OpenEditorWindows() { return gOpenWindows; }
void SetEditorTimerRate(int framesPerSecond) {
  gTimerRate = framesPerSecond > 0 ? framesPerSecond : 25;
}
int EditorTimerRate() { return gTimerRate; }

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* editor = static_cast<IGraphicsWin*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    if (editor) editor->OnWindowCreated(window);
    return 0;
  }
  IGraphicsWin* editor = EditorOf(window);
  std::intptr_t result = 0;
  if (editor && editor->HandleMessage(message, wParam, lParam, result)) return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TextEntryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* editor = static_cast<IGraphicsWin*>(GetPropA(window, kTextEntryOwner));
  if (!editor) return DefWindowProcA(window, message, wParam, lParam);
  return editor->HandleTextEntryMessage(window, message, wParam, lParam);
}

void IGraphicsWin::OnWindowCreated(void* window) {
  HWND hwnd = static_cast<HWND>(window);
  w_->window = hwnd;
  SetTimer(hwnd, kTimerId, UINT(1000 / EditorTimerRate()), nullptr);
  SetFocus(hwnd);
}

bool IGraphicsWin::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                 std::intptr_t& result) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  HWND window = w_->window;
  result = 0;
  // While the entry has just taken the focus, a click anywhere abandons it.
  if (w_->textEntry && w_->textEntryState == kTextEntryFocused) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
      w_->textEntryState = TextEntryStateAfterClick(w_->textEntryState);
      return true;
    }
  }
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return true;
    case WM_PAINT: {
      RECT r;
      if (GetUpdateRect(window, &r, FALSE)) {
        Draw(IBounds(int(r.left), int(r.top), int(r.right), int(r.bottom)));
      }
      // Whatever could be drawn, the region is done: an area left invalid would bring
      // WM_PAINT back at once, forever.
      ValidateRect(window, nullptr);
      return true;
    }
    case WM_CLOSE:
      CloseWindow();
      return true;
    case WM_NCDESTROY:
      // The host destroyed its window, and ours with it, before closing the editor: forget
      // the window (its children and timer went with it) so that nothing uses the dead handle.
      if (window) {
        w_->textEntry = nullptr;
        w_->tooltip = nullptr;
        DestroyTextEntry();
        w_->tooltipShown = false;
        w_->window = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        ReleaseEditorWindowClass(w_->module);
      }
      return false;
    case WM_KEYDOWN: {
      // Key-down messages carry virtual keys, where 97 to 122 are the numeric keypad and F1
      // to F11, never lower-case letters: those go on to the host like any key the editor
      // does not know, instead of reaching the controls as letters.
      const bool keypadOrFunction = wParam >= 97 && wParam <= 122;
      const int code = keypadOrFunction ? -1 : KeyCodeFromVirtualKey(int(wParam));
      bool taken = false;
      if (code >= 0) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        taken = OnKeyDown(int(p.x), int(p.y), code);
      }
      if (!taken) SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
      return true;
    }
    case WM_KEYUP:
      SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
      return true;
    case WM_TIMER:
      if (wParam == kTimerId) OnTimer();
      return true;
    case WM_CTLCOLOREDIT: {
      if (!w_->textEntry) return false;
      HDC dc = reinterpret_cast<HDC>(wParam);
      const IArgbColor& bg = w_->textEntryStyle.textEntryBackground;
      const IArgbColor& fg = w_->textEntryStyle.textEntryForeground;
      SetBkColor(dc, RGB(bg.r, bg.g, bg.b));
      SetTextColor(dc, RGB(fg.r, fg.g, fg.b));
      SetBkMode(dc, OPAQUE);
      SetDCBrushColor(dc, RGB(bg.r, bg.g, bg.b));
      result = reinterpret_cast<std::intptr_t>(GetStockObject(DC_BRUSH));
      return true;
    }
    case WM_MOUSEMOVE: {
      const IMouseKeys keys = MouseKeysOf(wParam);
      if (keys.left || keys.right) {
        if (GetCapture() == window && !w_->textEntry && MouseCapture() >= 0 &&
            (x != LastMouseX() || y != LastMouseY())) {
          OnMouseDrag(x, y, x - LastMouseX(), y - LastMouseY(), keys);
        }
        return true;
      }
      if (OnMouseOver(x, y, keys)) {
        if (TooltipsEnabled() && MouseOverIndex() != LastTooltipIndex()) {
          SetLastTooltipIndex(MouseOverIndex());
          HideTooltip();
        }
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, HOVER_DEFAULT};
        if (MouseOverIndex() >= 0) track.dwFlags |= TME_HOVER;
        TrackMouseEvent(&track);
      }
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      HideTooltip();
      if (w_->textEntry) {
        w_->textEntryState = TextEntryStateAfterClick(w_->textEntryState);
        return true;
      }
      SetFocus(window);
      SetCapture(window);
      OnMouseDown(x, y, MouseKeysOf(wParam));
      return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ReleaseCapture();
      OnMouseUp(x, y, MouseKeysOf(wParam));
      return true;
    case WM_LBUTTONDBLCLK:
      if (OnMouseDblClick(x, y, MouseKeysOf(wParam))) SetCapture(window);
      return true;
    case WM_MOUSEWHEEL: {
      if (w_->textEntry) {
        w_->textEntryState = kTextEntryCancel;
        return true;
      }
      RECT r;
      GetWindowRect(window, &r);
      const int notches = int(short(HIWORD(wParam))) / WHEEL_DELTA;
      OnMouseWheel(x - int(r.left), y - int(r.top), MouseKeysOf(GET_KEYSTATE_WPARAM(wParam)),
                   notches);
      return true;
    }
    case WM_MOUSEHOVER: {
      if (!w_->tooltip) return true;
      const IControl* control = GetControl(LastTooltipIndex());
      std::string text = control ? control->Tooltip() : std::string();
      TOOLINFOA info = {};
      info.cbSize = sizeof info;
      info.hwnd = window;
      info.uId = reinterpret_cast<UINT_PTR>(window);
      info.lpszText = const_cast<char*>(text.c_str());
      SendMessageA(w_->tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
      SendMessageA(w_->tooltip, TTM_ACTIVATE, TRUE, 0);
      w_->tooltipShown = true;
      return true;
    }
    case WM_MOUSELEAVE:
      HideTooltip();
      OnMouseOut();
      return true;
    default:
      return false;
  }
}

void IGraphicsWin::HideTooltip() {
  if (!w_->tooltip || !w_->tooltipShown) return;
  SendMessageA(w_->tooltip, TTM_ACTIVATE, FALSE, 0);
  w_->tooltipShown = false;
}

std::intptr_t IGraphicsWin::HandleTextEntryMessage(void* window, unsigned message,
                                                   std::uintptr_t wParam,
                                                   std::intptr_t lParam) {
  HWND edit = static_cast<HWND>(window);
  HideTooltip();
  switch (message) {
    case WM_SETFOCUS:
      w_->textEntryState = kTextEntryFocused;
      break;
    case WM_KILLFOCUS:
      w_->textEntryState = kTextEntryCommit;
      break;
    case WM_GETDLGCODE:
      if (!w_->textEntryParam && lParam) {
        const MSG* checked = reinterpret_cast<const MSG*>(lParam);
        if (checked->message == WM_KEYDOWN && checked->wParam == VK_RETURN) return DLGC_WANTALLKEYS;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        w_->textEntryState = kTextEntryCommit;
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        w_->textEntryState = kTextEntryCancel;
        return 0;
      }
      break;
    case WM_CHAR:
      // Return and Escape end the entry above; the box would beep at their characters.
      if (wParam == '\r' || wParam == 27) return 0;
      if (w_->textEntryParam && !TextEntryAcceptsChar(w_->textEntryParam, char(wParam))) {
        return 0;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == 1) w_->textEntryState = kTextEntryCommit;
      break;
    default:
      break;
  }
  return CallWindowProcA(w_->savedEditProc, edit, message, wParam, lParam);
}

bool IGraphicsWin::TickTextEntry() {
  if (!w_->textEntry) return false;
  const TextEntryTick tick = TextEntryTickFor(w_->textEntryState);
  if (tick == TextEntryTick::None) return false;
  if (tick == TextEntryTick::Settle) {
    w_->textEntryState = kTextEntryIdle;
    return true;
  }
  const bool commit = tick == TextEntryTick::Commit;
  char text[kTextEntryMaxChars + 1] = {};
  if (commit) GetWindowTextA(w_->textEntry, text, sizeof text);
  IControl* control = w_->textEntryControl;
  IParameter* param = w_->textEntryParam;
  // The box goes first: committing may open another prompt.
  DestroyTextEntry();
  if (commit && control) CommitTextEntry(*control, param, text);
  return true;
}

void IGraphicsWin::DestroyTextEntry() {
  if (w_->textEntry) {
    SetWindowLongPtrA(w_->textEntry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w_->savedEditProc));
    RemovePropA(w_->textEntry, kTextEntryOwner);
    DestroyWindow(w_->textEntry);
  }
  if (w_->textEntryFont) DeleteObject(w_->textEntryFont);
  w_->textEntry = nullptr;
  w_->textEntryFont = nullptr;
  w_->savedEditProc = nullptr;
  w_->textEntryControl = nullptr;
  w_->textEntryParam = nullptr;
  w_->textEntryState = kTextEntryIdle;
}

void IGraphicsWin::OnTimer() {
  if (TickTextEntry()) return;
  IBounds dirty;
  if (!IsDirty(dirty)) return;
  RECT r = {dirty.left, dirty.top, dirty.right, dirty.bottom};
  InvalidateRect(w_->window, &r, FALSE);
  if (w_->textEntry) {
    RECT entry;
    GetWindowRect(w_->textEntry, &entry);
    MapWindowPoints(nullptr, w_->window, reinterpret_cast<POINT*>(&entry), 2);
    ValidateRect(w_->window, &entry);
    UpdateWindow(w_->window);
    w_->textEntryState = kTextEntryRepainted;
  } else {
    UpdateWindow(w_->window);
  }
}

void IGraphicsWin::CreateTextEntry(IControl& control, const ITextStyle& style,
                                   const IBounds& rect, const char* text, IParameter* param) {
  if (w_->textEntry || !w_->window) return;
  DWORD alignment = ES_LEFT;
  if (style.align == ITextStyle::kAlignCenter) alignment = ES_CENTER;
  if (style.align == ITextStyle::kAlignFar) alignment = ES_RIGHT;
  HWND edit = CreateWindowExA(0, "EDIT", text ? text : "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | alignment,
                              rect.left, rect.top, rect.W() + 1, rect.H() + 1, w_->window,
                              reinterpret_cast<HMENU>(99), w_->module, nullptr);
  if (!edit) return;
  w_->textEntryFont = CreateFontA(style.size, 0, 0, 0,
                                  style.style == ITextStyle::kBold ? FW_BOLD : FW_DONTCARE,
                                  style.style == ITextStyle::kItalic, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH, style.font);
  w_->textEntry = edit;
  w_->textEntryStyle = style;
  w_->textEntryStyle.cachedFont = nullptr;
  w_->textEntryControl = &control;
  w_->textEntryParam = param;
  w_->textEntryState = kTextEntryIdle;
  SendMessageA(edit, EM_LIMITTEXT, WPARAM(control.TextEntryLength()), 0);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(w_->textEntryFont), 0);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SetPropA(edit, kTextEntryOwner, this);
  w_->savedEditProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextEntryProc)));
  SetFocus(edit);
}

void IGraphicsWin::CancelTextEntry() {
  if (w_->textEntry) w_->textEntryState = kTextEntryCancel;
}

}  // namespace fluvia
