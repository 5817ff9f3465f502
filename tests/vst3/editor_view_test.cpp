// The editor of the built Fluvia.vst3 embedded the way a Linux host embeds it: an X11 parent
// window, a frame that offers the host's run loop, and the run loop driving the editor's
// connection and redraw timer. Runs under a private Xvfb.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/graphics/x11/test_display.h"
#include "tests/vst3/host_frame.h"
#include "tests/vst3/plugin_fixture.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;

std::vector<Window> Children(Display* display, Window parent) {
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  std::vector<Window> out;
  if (XQueryTree(display, parent, &root, &up, &children, &count)) {
    out.assign(children, children + count);
    if (children) XFree(children);
  }
  return out;
}

using Vst3EditorView = PluginTest;

TEST_F(Vst3EditorView, EmbedsIntoAnX11WindowAndRunsOnTheHostsRunLoop) {
  // A desktop host has fontconfig loaded for itself. Without that, unloading the module would
  // unload fontconfig too, and its process-wide caches (which it never frees) would show up
  // in the leak check as if the editor had leaked them.
  ASSERT_NE(dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_NODELETE), nullptr);
  std::string why;
  if (!testing::StartTestDisplay(why)) GTEST_SKIP() << "no X server: " << why;
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1100,
                                            1000, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);

  IPlugView* view = controller()->createView("editor");
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);
  HostFrame frame;
  ASSERT_EQ(view->setFrame(&frame), kResultOk);
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID),
            kResultOk);

  ASSERT_EQ(frame.eventHandlers.size(), 1u);
  ASSERT_EQ(frame.timers.size(), 1u);
  EXPECT_GE(frame.fds.front(), 0);
  EXPECT_EQ(frame.intervals.front(), 40u);
  for (int i = 0; i < 5; ++i) frame.Turn();

  std::vector<Window> children = Children(display, parent);
  ASSERT_EQ(children.size(), 1u);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display, children[0], &attributes));
  EXPECT_EQ(attributes.width, 1000);
  EXPECT_EQ(attributes.height, 960);

  // The editor drew its artwork: the window holds many colours, not one background fill.
  XImage* image = XGetImage(display, children[0], 0, 0, 1000, 960, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  std::set<unsigned long> colours;
  for (int y = 0; y < 960; y += 37) {
    for (int x = 0; x < 1000; x += 41) colours.insert(XGetPixel(image, x, y));
  }
  XDestroyImage(image);
  EXPECT_GT(colours.size(), 50u);

  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_TRUE(frame.eventHandlers.empty());
  EXPECT_TRUE(frame.timers.empty());
  XSync(display, False);
  EXPECT_TRUE(Children(display, parent).empty());
  view->release();

  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

}  // namespace
}  // namespace fluvia::vst3test
