// The screen's work area as the X11 host reads it: the window manager's _NET_WORKAREA of the
// current desktop, else the whole screen.

#include <gtest/gtest.h>

#include <vector>

#include "framework/plugin_core.h"
#include "graphics/x11/graphics_x11.h"
#include "graphics/x11/x11_work_area.h"
#include "tests/graphics/x11/test_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fluvia::testing {
namespace {

class NoEditorCore : public IPluginCore {
 public:
  NoEditorCore() : IPluginCore(PluginConfig{}) {}
};

void SetCardinals(Display* display, const char* name, const std::vector<long>& values) {
  XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, name, False),
                  XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values.data()), int(values.size()));
  XSync(display, False);
}

TEST(X11WorkArea, TheCurrentDesktopsWorkAreaElseTheScreen) {
  std::string why;
  if (!StartTestDisplay(why)) GTEST_SKIP() << "no X server: " << why;
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  NoEditorCore core;
  IGraphicsX11 editor(core, ArtworkSet::Large);  // its window stays closed
  int width = 0, height = 0;

  // No window manager: the screen.
  ASSERT_TRUE(editor.WorkAreaSize(width, height));
  EXPECT_EQ(width, kScreenWidth);
  EXPECT_EQ(height, kScreenHeight);

  // Two desktops, the second current and with a panel: that one's area.
  SetCardinals(display, "_NET_WORKAREA", {0, 0, 1366, 768, 0, 32, 1366, 700});
  SetCardinals(display, "_NET_CURRENT_DESKTOP", {1});
  ASSERT_TRUE(editor.WorkAreaSize(width, height));
  EXPECT_EQ(width, 1366);
  EXPECT_EQ(height, 700);

  // A current desktop the work area does not describe, or a truncated property: the first
  // desktop's area, then the screen.
  SetCardinals(display, "_NET_CURRENT_DESKTOP", {7});
  ASSERT_TRUE(X11WorkArea(display, width, height));
  EXPECT_EQ(height, 768);
  SetCardinals(display, "_NET_WORKAREA", {0, 0});
  ASSERT_TRUE(X11WorkArea(display, width, height));
  EXPECT_EQ(width, kScreenWidth);

  XDeleteProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_WORKAREA", False));
  XDeleteProperty(display, DefaultRootWindow(display),
                  XInternAtom(display, "_NET_CURRENT_DESKTOP", False));
  XCloseDisplay(display);
}

}  // namespace
}  // namespace fluvia::testing
