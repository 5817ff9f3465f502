#pragma once
// The person at the screen, from the test's own X connection: finds the program's window,
// looks at it, clicks, types and closes it the way a window manager would ask.

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace fluvia::testing {

struct WindowInfo {
  unsigned long window = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

class ScreenUser {
 public:
  ScreenUser();
  ~ScreenUser();
  bool Ok() const { return display_ != nullptr; }

  // The mapped top-level window with this title, waiting up to the limit.
  WindowInfo WaitForWindow(const std::string& title, int timeoutMs);
  // The window's current place and size (the same window), or an empty record once it is gone.
  WindowInfo Refresh(const WindowInfo& window);
  std::string WindowClass(const WindowInfo& window);
  bool HasIcon(const WindowInfo& window);
  // Screen pixels as 0xRRGGBB, row by row.
  std::vector<uint32_t> Screenshot(int x, int y, int width, int height);
  // The override-redirect windows (menus) on the screen, bottom first.
  std::vector<WindowInfo> Menus();
  std::vector<WindowInfo> WaitForMenus(std::size_t count, int timeoutMs);

  void MoveTo(int x, int y);
  void Click(int x, int y, unsigned button = 1);
  void Drag(int x0, int y0, int x1, int y1, int steps);
  void PressKey(unsigned long keysym);
  void ReleaseKey(unsigned long keysym);
  // The window manager's close request (WM_DELETE_WINDOW).
  void RequestClose(const WindowInfo& window);

 private:
  Display* display_ = nullptr;
};

// The middle of row `row` of a menu level at the top of `menu`: rows are 24 pixels after a
// 4-pixel margin, separators 9 pixels (see the X11 host's menu metrics).
int MenuRowY(const WindowInfo& menu, int row, const std::vector<int>& separatorsAbove);

}  // namespace fluvia::testing
