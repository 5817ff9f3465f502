#include "graphics/win/graphics_win.h"

#include <windows.h>
#include <commctrl.h>

#include <mutex>

#include "framework/plugin_core.h"
#include "graphics/editor_size.h"
#include "graphics/image_names.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"
#include "graphics/win/win_window_class.h"
#include "graphics/win/win_window_state.h"

namespace fluvia {
namespace {

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

bool IsChildWindow(HWND window) {
  return window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0 &&
         (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) == 0;
}

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct MainWindowSearch {
  const std::string* className;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<MainWindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[129] = {};
  if (process == GetCurrentProcessId() && GetClassNameA(window, name, 128) > 0 &&
      *search->className == name) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

IGraphicsWin::IGraphicsWin(IPluginCore& plugin, ArtworkSet set, void* module)
    : IGraphics(plugin, EditorSizeFor(set).width, EditorSizeFor(set).height, kEditorFrameRate),
      w_(std::make_unique<WinWindowState>()) {
  w_->module = module ? static_cast<HINSTANCE>(module) : ThisModule();
  SetArtwork(set);
}

IGraphicsWin::~IGraphicsWin() {
  CloseWindow();
  delete[] w_->customColours;
}

bool IGraphicsWin::DrawScreen(const IBounds& region) {
  if (!w_->window) return false;
  PixBitmap* surface = DrawSurface();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(w_->window, &paint);
  const bool drawn = dc && surface && surface->DeviceContext();
  if (drawn) {
    BitBlt(dc, region.left, region.top, region.W(), region.H(),
           static_cast<HDC>(surface->DeviceContext()), region.left, region.top, SRCCOPY);
  }
  EndPaint(w_->window, &paint);
  return drawn;
}

bool IGraphicsWin::MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) {
  return DrawIText(style, text, rect, true);
}

void IGraphicsWin::Resize(int width, int height) {
  if (width == Width() && height == Height()) return;
  const int dw = width - Width(), dh = height - Height();
  HWND window = w_->window;
  HWND parent = window && IsChildWindow(window) ? GetParent(window) : nullptr;
  HWND grandparent = IsChildWindow(parent) ? GetParent(parent) : nullptr;
  // The outer windows' sizes before the host hears of the change: a VST2 host may answer the
  // size request by resizing them itself, and growing them by the difference afterwards
  // would then overshoot.
  RECT outerBefore[2] = {};
  HWND outers[2] = {parent, grandparent};
  for (int i = 0; i < 2; ++i) {
    if (outers[i]) GetWindowRect(outers[i], &outerBefore[i]);
  }
  ResizeGraphics(width, height);
  if (!window) return;
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  RECT own;
  GetWindowRect(window, &own);
  SetWindowPos(window, nullptr, 0, 0, int(own.right - own.left) + dw,
               int(own.bottom - own.top) + dh, flags);
  // VST3 and CLAP hosts resize their own frame when the plug-in asks; VST2 hosts expect the
  // plug-in to grow the windows it sits in.
  if (Plugin().ApiKind() == PluginApi::VST2) {
    for (int i = 0; i < 2; ++i) {
      if (!outers[i]) continue;
      const RECT& r = outerBefore[i];
      SetWindowPos(outers[i], nullptr, 0, 0, int(r.right - r.left) + dw,
                   int(r.bottom - r.top) + dh, flags);
    }
  }
  RECT all = {0, 0, width, height};
  InvalidateRect(window, &all, FALSE);
}

bool IGraphicsWin::WindowIsOpen() const { return w_->window != nullptr; }

void* IGraphicsWin::OpenWindow(void* parent) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  HWND parentWindow = static_cast<HWND>(parent);
  int x = 0, y = 0, width = Width(), height = Height();
  if (w_->window) {
    // Opened again without a close: the new window takes the old one's place.
    const RECT r = RectInParent(w_->window, GetParent(w_->window));
    x = int(r.left), y = int(r.top), width = int(r.right - r.left), height = int(r.bottom - r.top);
    CloseWindow();
  }
  if (!AcquireEditorWindowClass(w_->module)) return nullptr;
  SetEditorTimerRate(FrameRate());
  w_->parent = parentWindow;
  HWND window = CreateWindowExA(0, kEditorWindowClass, "IPlugin", WS_CHILD | WS_VISIBLE, x, y,
                                width, height, parentWindow, nullptr, w_->module, this);
  if (!window) {
    w_->window = nullptr;
    ReleaseEditorWindowClass(w_->module);
    if (OpenEditorWindows() > 0) SetAllControlsDirty();
    return nullptr;
  }
  w_->window = window;
  // The first timer tick draws everything.
  SetAllControlsDirty();

  if (TooltipsEnabled()) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    w_->tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                  w_->module, nullptr);
    bool ok = w_->tooltip != nullptr;
    if (ok) {
      SetWindowPos(w_->tooltip, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      TOOLINFOA info = {};
      info.cbSize = sizeof info;
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = window;
      info.uId = reinterpret_cast<UINT_PTR>(window);
      info.lpszText = const_cast<char*>("");
      ok = SendMessageA(w_->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    }
    if (!ok) {
      if (w_->tooltip) DestroyWindow(w_->tooltip);
      w_->tooltip = nullptr;
      EnableTooltips(false);
    }
  }
  return window;
}

void IGraphicsWin::CloseWindow() {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  if (w_->tooltip) DestroyWindow(w_->tooltip);
  w_->tooltip = nullptr;
  w_->tooltipShown = false;
  SetLastTooltipIndex(-1);
  if (!w_->window) {
    RetryEditorWindowClassRelease(w_->module);
    return;
  }
  DestroyTextEntry();
  HWND window = w_->window;
  w_->window = nullptr;  // messages sent while it goes find no window
  KillTimer(window, kTimerId);
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  ReleaseEditorWindowClass(w_->module);
}

void* IGraphicsWin::GetWindowHandle() { return w_->window; }

void* IGraphicsWin::MainWindow() {
  if (w_->parent) {
    HWND top = w_->parent;
    for (HWND up = GetParent(top); up; up = GetParent(up)) top = up;
    char name[129] = {};
    GetClassNameA(top, name, 128);
    w_->mainWindow = top;
    w_->mainWindowClass = name;
  } else if (!w_->mainWindowClass.empty()) {
    MainWindowSearch search{&w_->mainWindowClass, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    w_->mainWindow = search.found;
  }
  return w_->mainWindow;
}

int IGraphicsWin::ShowMessageBox(const char* text, const char* caption, int type) {
  return MessageBoxA(static_cast<HWND>(MainWindow()), text ? text : "", caption ? caption : "",
                     UINT(type));
}

bool IGraphicsWin::GetClipboardText(std::string& text) {
  text.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(w_->window)) return false;
  bool ok = false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (bytes > 0) {
        text.resize(size_t(bytes));
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
        text.resize(size_t(bytes - 1));  // without the terminator
        ok = true;
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return ok;
}

void IGraphicsWin::HideMouseCursor() {
  if (HasCursorHidden()) return;
  POINT p;
  if (GetCursorPos(&p)) SetSavedCursor(int(p.x), int(p.y));
  ShowCursor(FALSE);
  SetCursorHidden(true);
}

void IGraphicsWin::ShowMouseCursor() {
  if (!HasCursorHidden()) return;
  SetCursorPos(SavedCursorX(), SavedCursorY());
  ShowCursor(TRUE);
  SetCursorHidden(false);
}

bool IGraphicsWin::WorkAreaSize(int& width, int& height) {
  RECT area{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return false;
  width = area.right - area.left;
  height = area.bottom - area.top;
  return width > 0 && height > 0;
}

bool IGraphicsWin::ImageResourceSize(int id, const char* fileName, int& width, int& height) {
  return HasPngExtension(fileName) && PngResourceSize(Artwork(), id, width, height);
}

std::unique_ptr<PixBitmap> IGraphicsWin::LoadImageResource(int id, const char* fileName) {
  if (!HasPngExtension(fileName)) return nullptr;
  return std::unique_ptr<PixBitmap>(LoadPngResource(Artwork(), id));
}

}  // namespace fluvia
