// The editor window: where it is made, what it shows, how it follows the mouse, and how it
// survives the host closing, reopening and destroying windows.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "engine/engine_params.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/x11/x11_factory.h"
#include "tests/graphics/x11/x11_fixture.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xlib.h>

namespace fluvia::testing {
namespace {

std::vector<Window> ChildrenOf(Display* display, Window window) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<Window> out;
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    out.assign(children, children + count);
    if (children) XFree(children);
  }
  return out;
}

Window AsWindow(void* handle) {
  return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle));
}

void* AsHandle(Window window) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

TEST_F(X11EditorTest, OpensAChildOfTheHostWindowThatShowsTheEditor) {
  EXPECT_EQ(editor_->ConnectionFd(), -1);
  EXPECT_STREQ(editor_->GetDrawingApiName(), "X11");
  EXPECT_EQ(editor_->TimerPeriodMs(), 40);
  const Window window = AsWindow(editor_->OpenWindow(AsHandle(host_)));
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(editor_->WindowIsOpen());
  EXPECT_EQ(AsWindow(editor_->GetWindowHandle()), window);
  EXPECT_GE(editor_->ConnectionFd(), 0);
  EXPECT_EQ(ChildrenOf(display_, host_), std::vector<Window>{window});
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display_, window, &attributes));
  EXPECT_EQ(attributes.width, 1000);
  EXPECT_EQ(attributes.height, 960);
  EXPECT_EQ(attributes.map_state, IsViewable);

  // Every pixel as the headless host renders the same editor.
  auto reference = MakeInstrument(HeadlessGraphicsFactory(), folder_);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(reference->Editor());
  ASSERT_NE(headless, nullptr);
  headless->OpenWindow(nullptr);
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);
}

TEST_F(X11EditorTest, KnobDragsAndWheelNotchesChangeTheParameterAndTheScreen) {
  ASSERT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  auto reference = MakeInstrument(HeadlessGraphicsFactory(), folder_);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(reference->Editor());
  headless->OpenWindow(nullptr);
  PumpFor(100);

  // The SIZE knob (730..890 x 210..370): up by 40 pixels is a quarter of its travel / 4.
  const double before = Value(*plugin_, kContainerSize);
  MoveTo(810, 300);
  Press(1);
  MoveTo(810, 290);
  MoveTo(810, 260);
  Release(1);
  ASSERT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) != before; }));
  PumpFor(50);
  headless->Drag(810, 300, 810, 260, 2);
  EXPECT_DOUBLE_EQ(Value(*plugin_, kContainerSize), Value(*reference, kContainerSize));
  EXPECT_NEAR(Value(*plugin_, kContainerSize), before + 40.0 / 160.0 / 4.0, 1e-9);
  EXPECT_EQ(EngineValue(*plugin_, kContainerSize), Value(*plugin_, kContainerSize));
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);

  // The grab keeps the drag going below the window's bottom edge. (Pressed a little away from
  // the last press, which would otherwise make it a double-click.)
  const double mid = Value(*plugin_, kContainerSize);
  MoveTo(820, 320);
  Press(1);
  MoveTo(820, 1100);
  Release(1);
  ASSERT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) != mid; }));
  headless->Drag(820, 320, 820, 1100, 1);
  EXPECT_DOUBLE_EQ(Value(*plugin_, kContainerSize), Value(*reference, kContainerSize));

  // Wheel: two notches up, one down.
  const double wheelBefore = Value(*plugin_, kContainerSize);
  MoveTo(810, 300);
  for (unsigned button : {4u, 4u, 5u}) {
    Press(button);
    Release(button);
  }
  ASSERT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) != wheelBefore; }));
  PumpFor(100);
  for (int notches : {120, 120, -120}) headless->MouseWheel(810, 300, notches);
  EXPECT_DOUBLE_EQ(Value(*plugin_, kContainerSize), Value(*reference, kContainerSize));
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);
}

TEST_F(X11EditorTest, ASecondQuickPressIsADoubleClickThatRestoresTheDefault) {
  ASSERT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  PumpFor(100);
  const double defaultValue = Value(*plugin_, kContainerSize);
  MoveTo(810, 300);
  Press(1);
  MoveTo(810, 260);
  Release(1);
  ASSERT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) != defaultValue; }));

  // Well after that press: a click, then at once a second press, which the knob takes as a
  // double-click; moving with the button still held drags nothing.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  Click(810, 300);
  Press(1);
  MoveTo(810, 250);
  Release(1);
  EXPECT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) == defaultValue; }));
  PumpFor(100);
  EXPECT_EQ(Value(*plugin_, kContainerSize), defaultValue);
  EXPECT_EQ(editor_->MouseCapture(), -1);

  // Two presses further apart in time are two plain clicks: the drag after them counts.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  Click(810, 300);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  Press(1);
  MoveTo(810, 260);
  Release(1);
  EXPECT_TRUE(PumpUntil([&] { return Value(*plugin_, kContainerSize) != defaultValue; }));
}

TEST_F(X11EditorTest, ClosingAndReopeningKeepsOneWorkingWindow) {
  auto reference = MakeInstrument(HeadlessGraphicsFactory(), folder_);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(reference->Editor());
  headless->OpenWindow(nullptr);

  ASSERT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  PumpFor(100);
  editor_->CloseWindow();
  EXPECT_FALSE(editor_->WindowIsOpen());
  EXPECT_EQ(editor_->ConnectionFd(), -1);
  EXPECT_EQ(editor_->GetWindowHandle(), nullptr);
  XSync(display_, False);
  EXPECT_TRUE(ChildrenOf(display_, host_).empty());
  editor_->ProcessPendingEvents();  // the run loop may still call once
  editor_->OnTimer();
  editor_->CloseWindow();

  // A value that changes while the window is closed shows when it opens again.
  plugin_->GetParam(kContainerSize)->SetValue(0.9);
  plugin_->Editor()->SetParameterFromPlug(kContainerSize, 0.9, false);
  reference->GetParam(kContainerSize)->SetValue(0.9);
  reference->Editor()->SetParameterFromPlug(kContainerSize, 0.9, false);
  const Window second = AsWindow(editor_->OpenWindow(AsHandle(host_)));
  ASSERT_NE(second, 0u);
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);

  // Opening again without closing replaces the window instead of adding one.
  const Window third = AsWindow(editor_->OpenWindow(AsHandle(host_)));
  ASSERT_NE(third, 0u);
  XSync(display_, False);
  EXPECT_EQ(ChildrenOf(display_, host_), std::vector<Window>{third});
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);
}

TEST_F(X11EditorTest, TwoInstancesHaveAnEditorOpenAtOnce) {
  auto other = MakeInstrument(X11GraphicsFactory(), folder_);
  auto* second = dynamic_cast<IGraphicsX11*>(other->Editor());
  ASSERT_NE(second, nullptr);
  const Window otherHost = MakeHostWindow(1100, 0, 1000, 960);
  ASSERT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  ASSERT_NE(second->OpenWindow(AsHandle(otherHost)), nullptr);
  EXPECT_NE(editor_->ConnectionFd(), second->ConnectionFd());
  Drive({editor_, second});

  auto reference = MakeInstrument(HeadlessGraphicsFactory(), folder_);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(reference->Editor());
  headless->OpenWindow(nullptr);
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);
  EXPECT_EQ(ScreenDifference(*second, *headless), 0);

  // A drag in the second editor moves the second instance only.
  const double first = Value(*plugin_, kContainerSize);
  const double before = Value(*other, kContainerSize);
  MoveTo(1100 + 810, 300);
  Press(1);
  MoveTo(1100 + 810, 260);
  Release(1);
  ASSERT_TRUE(PumpUntil([&] { return Value(*other, kContainerSize) != before; }));
  EXPECT_EQ(Value(*plugin_, kContainerSize), first);
  second->CloseWindow();
  EXPECT_TRUE(editor_->WindowIsOpen());
  Drive({editor_});
  EXPECT_EQ(ScreenDifference(*editor_, *headless), 0);
}

TEST_F(X11EditorTest, AParentThatCannotBeUsedGivesNoWindow) {
  for (std::uintptr_t bad : {std::uintptr_t{0}, std::uintptr_t{0x3fffff01}}) {
    EXPECT_EQ(editor_->OpenWindow(reinterpret_cast<void*>(bad)), nullptr) << bad;
    EXPECT_FALSE(editor_->WindowIsOpen());
    EXPECT_EQ(editor_->ConnectionFd(), -1);
  }
  EXPECT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  EXPECT_TRUE(editor_->WindowIsOpen());
}

TEST_F(X11EditorTest, ResizingChangesTheEditorWindowButNotTheHosts) {
  const Window window = AsWindow(editor_->OpenWindow(AsHandle(host_)));
  ASSERT_NE(window, 0u);
  editor_->Resize(500, 480);
  XSync(display_, False);
  XWindowAttributes own{}, host{};
  ASSERT_TRUE(XGetWindowAttributes(display_, window, &own));
  ASSERT_TRUE(XGetWindowAttributes(display_, host_, &host));
  EXPECT_EQ(own.width, 500);
  EXPECT_EQ(own.height, 480);
  EXPECT_EQ(host.width, 1000);
  EXPECT_EQ(editor_->Width(), 500);
  PumpFor(100);  // drawing the new, smaller surface
}

TEST_F(X11EditorTest, AHostThatDestroysItsWindowFirstLeavesAClosableEditor) {
  ASSERT_NE(editor_->OpenWindow(AsHandle(host_)), nullptr);
  PumpFor(100);
  XDestroyWindow(display_, host_);
  XSync(display_, False);
  ASSERT_TRUE(PumpUntil([&] { return !editor_->WindowIsOpen(); }));
  editor_->OnTimer();
  plugin_->Editor()->SetParameterFromPlug(kContainerSize, 0.5, true);
  editor_->ProcessPendingEvents();
  editor_->CloseWindow();
  EXPECT_EQ(editor_->ConnectionFd(), -1);

  const Window fresh = MakeHostWindow(0, 0, 1000, 960);
  EXPECT_NE(editor_->OpenWindow(AsHandle(fresh)), nullptr);
}

}  // namespace
}  // namespace fluvia::testing
