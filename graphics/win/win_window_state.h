#pragma once
// What IGraphicsWin keeps while it has a window: the Win32 handles and the text entry.

#include <windows.h>

#include <string>

#include "graphics/draw_records.h"

namespace fluvia {

class IControl;
class IParameter;

struct WinWindowState {
  HINSTANCE module = nullptr;
  HWND window = nullptr;
  HWND parent = nullptr;
  HWND tooltip = nullptr;
  bool tooltipShown = false;

  // The text entry box while a value is typed.
  HWND textEntry = nullptr;
  HFONT textEntryFont = nullptr;
  WNDPROC savedEditProc = nullptr;
  IControl* textEntryControl = nullptr;
  IParameter* textEntryParam = nullptr;
  ITextStyle textEntryStyle;
  int textEntryState = 0;  // a TextEntryState

  COLORREF* customColours = nullptr;  // 16, kept between colour dialogs
  HWND mainWindow = nullptr;
  std::string mainWindowClass;
};

}  // namespace fluvia
