#include "app/win/win_app_window.h"

namespace fluvia::app {
namespace {

constexpr const char* kClassName = "FluviaApplicationWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kIconResource = 1;

// The key as NoteKeyboard names it, or 0.
char KeyName(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return char(key);
  if (key == VK_OEM_1) return ';';
  return 0;
}

RECT OuterRect(int width, int height) {
  RECT rect = {0, 0, width, height};
  AdjustWindowRectEx(&rect, kStyle, FALSE, 0);
  return rect;
}

}  // namespace

WinAppWindow::WinAppWindow(HINSTANCE instance, Application& app, int width, int height)
    : instance_(instance), app_(app) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WinAppWindow::Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kIconResource),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
  const RECT outer = OuterRect(width, height);
  window_ = CreateWindowExA(0, kClassName, "Fluvia", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            instance, this);
  if (window_) {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
}

WinAppWindow::~WinAppWindow() {
  if (window_) {
    KillTimer(window_, kTickTimer);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  UnregisterClassA(kClassName, instance_);
}

void WinAppWindow::SetContentSize(int width, int height) {
  if (!window_ || width <= 0 || height <= 0) return;
  const RECT outer = OuterRect(width, height);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinAppWindow::StartTicks(int periodMs) {
  if (window_) SetTimer(window_, kTickTimer, UINT(periodMs), nullptr);
}

LRESULT CALLBACK WinAppWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* created = static_cast<WinAppWindow*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    // The messages of the creation itself come before CreateWindowExA returns the handle.
    if (created) created->window_ = window;
  }
  auto* self = reinterpret_cast<WinAppWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT WinAppWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The loop ends, saves and then destroys the window.
      app_.RequestQuit();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends right after this returns: save now.
      if (wParam) {
        app_.RequestQuit();
        app_.Shutdown();
      }
      return 0;
    case WM_TIMER:
      if (wParam == kTickTimer) app_.Tick();
      return 0;
    case WM_KEYDOWN: {
      if ((GetKeyState(VK_CONTROL) & 0x8000) && wParam == 'Q') {
        app_.RequestQuit();
        return 0;
      }
      // Bit 30: the key was already down (auto-repeat).
      const bool repeat = (lParam & (1 << 30)) != 0;
      const bool shortcut = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
      if (const char key = KeyName(wParam); key && !repeat && !shortcut) app_.KeyDown(key);
      return 0;
    }
    case WM_KEYUP:
      if (const char key = KeyName(wParam)) app_.KeyUp(key);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) app_.FocusLost();
      break;
    case WM_SETFOCUS:
      // The keys belong to the editor inside.
      if (HWND child = GetWindow(window_, GW_CHILD)) SetFocus(child);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace fluvia::app
