// The editor opened through opcodes 13, 14 and 15 inside an X11 window of the harness, driven
// by the host's idle calls (opcode 19), under a private Xvfb.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "tests/graphics/x11/test_display.h"
#include "tests/vst2/vst2_fixture.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fluvia::vst2test {
namespace {

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

// Distinct colours on a coarse grid of the window: the artwork has many, a blank window one.
size_t ColoursIn(Display* display, Window window, int width, int height) {
  XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes,
                            ZPixmap);
  if (!image) return 0;
  std::set<unsigned long> colours;
  for (int y = 0; y < height; y += 19) {
    for (int x = 0; x < width; x += 23) colours.insert(XGetPixel(image, x, y));
  }
  XDestroyImage(image);
  return colours.size();
}

class Vst2Editor : public Vst2Test {
 protected:
  void SetUp() override {
    // A desktop host has fontconfig loaded for itself; without that its never-freed caches
    // would be counted against the editor.
    ASSERT_NE(dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_NODELETE), nullptr);
    std::string why;
    if (!testing::StartTestDisplay(why)) GTEST_SKIP() << "no X server: " << why;
    Vst2Test::SetUp();
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr);
    parent_ = NewParent(0);
  }
  void TearDown() override {
    instance_.reset();
    if (display_) XCloseDisplay(display_);
  }

  Window NewParent(int x) {
    const Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, 0, 600,
                                              560, 0, 0, 0);
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
  }

  // Idle calls at a host's pace for a while.
  static void Idle(vst2host::Vst2Instance& plugin, int turns) {
    for (int i = 0; i < turns; ++i) {
      plugin.Dispatch(vst2::kEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  Display* display_ = nullptr;
  Window parent_ = 0;
};

TEST_F(Vst2Editor, OpensAsAChildOfTheHostWindowAndDrawsOnIdle) {
  vst2::Rect* rect = nullptr;
  ASSERT_EQ(Dispatch(vst2::kEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 480);
  EXPECT_EQ(rect->right, 500);
  EXPECT_EQ(Dispatch(vst2::kEditGetRect), 0);

  ASSERT_EQ(Dispatch(vst2::kEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
  Idle(plugin(), 10);
  XSync(display_, False);
  std::vector<Window> children = Children(display_, parent_);
  ASSERT_EQ(children.size(), 1u);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display_, children[0], &attributes));
  EXPECT_EQ(attributes.width, 500);
  EXPECT_EQ(attributes.height, 480);
  EXPECT_GT(ColoursIn(display_, children[0], 500, 480), 50u);

  EXPECT_EQ(Dispatch(vst2::kEditClose), 1);
  XSync(display_, False);
  EXPECT_TRUE(Children(display_, parent_).empty());
  EXPECT_EQ(Dispatch(vst2::kEditIdle), 0);  // idle with no window does nothing
  EXPECT_EQ(Dispatch(vst2::kEditOpen), 0);  // no parent window
}

// A drag on a knob is a parameter edit the host hears about: begin, automate, end.
TEST_F(Vst2Editor, DraggingAKnobAutomatesTheHost) {
  ASSERT_EQ(Dispatch(vst2::kEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
  Idle(plugin(), 5);
  const Window editor = Children(display_, parent_).at(0);
  const float before = plugin().GetParameter(kAmpMainVolume);
  plugin().ClearCalls();

  // The volume knob's small-set rectangle is 395, 370 to 445, 410.
  auto send = [&](int type, int y) {
    XEvent event{};
    if (type == MotionNotify) {
      event.xmotion = XMotionEvent{};
      event.xmotion.type = MotionNotify;
      event.xmotion.window = editor;
      event.xmotion.x = 420;
      event.xmotion.y = y;
      event.xmotion.state = Button1Mask;
      event.xmotion.same_screen = True;
    } else {
      event.xbutton = XButtonEvent{};
      event.xbutton.type = type;
      event.xbutton.window = editor;
      event.xbutton.x = 420;
      event.xbutton.y = y;
      event.xbutton.button = Button1;
      event.xbutton.same_screen = True;
    }
    XSendEvent(display_, editor, False, 0, &event);
    XSync(display_, False);
    Idle(plugin(), 2);
  };
  send(ButtonPress, 390);
  for (int y = 388; y >= 340; y -= 8) send(MotionNotify, y);
  send(ButtonRelease, 340);

  EXPECT_GT(plugin().GetParameter(kAmpMainVolume), before);
  const std::vector<vst2host::HostCall> calls = plugin().Calls();
  std::vector<int32_t> edits;
  for (const auto& call : calls) {
    if (call.index != kAmpMainVolume) continue;
    if (call.opcode == vst2::kHostBeginEdit || call.opcode == vst2::kHostEndEdit ||
        call.opcode == vst2::kHostAutomate) {
      if (edits.empty() || edits.back() != call.opcode) edits.push_back(call.opcode);
    }
  }
  EXPECT_EQ(edits, (std::vector<int32_t>{vst2::kHostBeginEdit, vst2::kHostAutomate,
                                         vst2::kHostEndEdit}));
  Dispatch(vst2::kEditClose);
}

TEST_F(Vst2Editor, TwoInstancesWorkSideBySide) {
  auto second = NewInstance();
  const Window otherParent = NewParent(700);
  ASSERT_EQ(Dispatch(vst2::kEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
  ASSERT_EQ(second->Dispatch(vst2::kEditOpen, 0, 0, reinterpret_cast<void*>(otherParent)), 1);
  for (int i = 0; i < 10; ++i) {
    Idle(plugin(), 1);
    Idle(*second, 1);
  }
  XSync(display_, False);
  ASSERT_EQ(Children(display_, parent_).size(), 1u);
  ASSERT_EQ(Children(display_, otherParent).size(), 1u);
  EXPECT_GT(ColoursIn(display_, Children(display_, parent_)[0], 500, 480), 50u);
  EXPECT_GT(ColoursIn(display_, Children(display_, otherParent)[0], 500, 480), 50u);

  // Closing one leaves the other open and drawing.
  EXPECT_EQ(Dispatch(vst2::kEditClose), 1);
  Idle(*second, 3);
  XSync(display_, False);
  EXPECT_TRUE(Children(display_, parent_).empty());
  EXPECT_EQ(Children(display_, otherParent).size(), 1u);
  // Closing the instance with its editor open closes the window too.
  second.reset();
  XSync(display_, False);
  EXPECT_TRUE(Children(display_, otherParent).empty());
}

TEST_F(Vst2Editor, OpeningAndClosingAHundredTimesLeaksNothing) {
  auto cycle = [&] {
    ASSERT_EQ(Dispatch(vst2::kEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
    Dispatch(vst2::kEditIdle);
    ASSERT_EQ(Dispatch(vst2::kEditClose), 1);
  };
  // The first rounds fill the process-wide caches (artwork, fonts, Xlib's own).
  for (int i = 0; i < 3; ++i) cycle();
  const size_t heapBefore = mallinfo2().uordblks;
  for (int i = 0; i < 100; ++i) cycle();
  XSync(display_, False);
  EXPECT_TRUE(Children(display_, parent_).empty());
  const size_t heapAfter = mallinfo2().uordblks;
#if defined(__SANITIZE_ADDRESS__)
  // The address sanitizer's allocator reports nothing to mallinfo2; its leak check at exit
  // covers this build instead.
  (void)heapBefore;
  (void)heapAfter;
#else
  // One open holds about a megabyte (the 500 x 480 back buffer and the X connection); a
  // leak of anything per round would show as far more than this margin.
  EXPECT_LT(heapAfter, heapBefore + 32 * 1024) << "heap grew by " << heapAfter - heapBefore;
#endif
}

}  // namespace
}  // namespace fluvia::vst2test
