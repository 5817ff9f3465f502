#pragma once
// The application's top-level Win32 window: titled "Fluvia", with the program's icon, sized to
// the editor (not resizable by dragging: the editor's size choice resizes it). The editor is a
// child window inside it; keys the editor does not take come here (the editor sends them on to
// its top-level window), as does the window's activation. A timer of its own drives the
// application's tick.

#include <windows.h>

#include "app/application.h"

namespace fluvia::app {

class WinAppWindow : public AppWindow {
 public:
  static constexpr UINT_PTR kTickTimer = 1;

  WinAppWindow(HINSTANCE instance, Application& app, int width, int height);
  ~WinAppWindow() override;
  WinAppWindow(const WinAppWindow&) = delete;
  WinAppWindow& operator=(const WinAppWindow&) = delete;

  bool Valid() const { return window_ != nullptr; }
  HWND Handle() const { return window_; }
  void* ParentHandle() override { return window_; }
  void SetContentSize(int width, int height) override;
  void StartTicks(int periodMs);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  Application& app_;
  HWND window_ = nullptr;
};

}  // namespace fluvia::app
