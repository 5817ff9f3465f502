// The window thread on Windows: the message loop of the application's window, whose timer
// drives the application's tick (the editor's own timer redraws it).

#include <windows.h>

#include <cstdio>

#include "app/application.h"
#include "app/run_windowed.h"
#include "app/win/win_app_window.h"
#include "graphics/win/win_factory.h"

namespace fluvia::app {

int RunWindowed(const AppOptions& options) {
  // WASAPI's objects live in a COM apartment of the window thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 0;
  {
    Application app(options, WinGraphicsFactory());
    app.Start();
    WinAppWindow window(GetModuleHandleA(nullptr), app, app.EditorWidth(), app.EditorHeight());
    if (!window.Valid() || !app.OpenEditor(window)) {
      std::fprintf(stderr, "fluvia: the window could not be opened\n");
      app.Shutdown();
      if (SUCCEEDED(com)) CoUninitialize();
      return 1;
    }
    window.StartTicks(app.TimerPeriodMs());
    MSG message;
    while (!app.QuitRequested()) {
      const BOOL got = GetMessageA(&message, nullptr, 0, 0);
      if (got <= 0) break;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    status = app.Shutdown() ? 0 : 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}

}  // namespace fluvia::app
