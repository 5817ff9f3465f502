// The preset menu as a user meets it on X11: it opens below the preset name, sub-menus cascade,
// a click chooses, Escape or a click elsewhere dismisses.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "engine/engine_params.h"
#include "graphics/text_control.h"
#include "graphics/x11/x11_menu_view.h"
#include "tests/graphics/x11/x11_fixture.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/graphics/x11/popup_windows.h"

namespace fluvia::testing {
namespace {

// Plays the user while the editor's thread sits in the modal menu: a connection and thread of
// its own, as a second program would be.
class MenuUser {
 public:
  explicit MenuUser(std::function<void(MenuUser&)> script)
      : thread_([this, script] {
          display_ = XOpenDisplay(nullptr);
          if (!display_) return;
          script(*this);
          XCloseDisplay(display_);
          finished_ = true;
        }) {}
  ~MenuUser() { thread_.join(); }

  // Waits until `levels` menu windows are up; false after 3 s.
  bool WaitForLevels(size_t levels) {
    for (int i = 0; i < 300; ++i) {
      windows_ = PopupWindows(display_);
      if (windows_.size() == levels) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  const PopupWindow& Level(size_t i) const { return windows_[i]; }

  // The middle of row `row` of a level whose list is `list`.
  void MoveToRow(size_t level, const IMenuList& list, int row) {
    const PopupWindow& w = windows_[level];
    const int y = w.y + MenuRowTop(list, row) + MenuRowHeight(*list.Item(row)) / 2;
    MoveTo(w.x + w.width / 2, y);
  }
  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XSync(display_, False);
  }
  void Button(unsigned button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
  }
  void Key(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
  }
  bool Finished() const { return finished_; }

  bool failed = false;

 private:
  Display* display_ = nullptr;
  std::vector<PopupWindow> windows_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

class X11MenuTest : public X11EditorTest {
 protected:
  void SetUp() override {
    X11EditorTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(editor_->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host_))),
              nullptr);
    PumpFor(100);
  }
  std::string ShownName() { return plugin_->EditorParts().presetName->Text(); }

  // The preset menu's shape, for finding rows: the menu lists what the fixture's preset
  // folder holds, the title and "Factory > SFX" with its one preset.
  void BuildMenuShape() {
    root_.AddItem("< Presets Library >");
    root_.AddSubMenu("Factory > SFX", &sfx_);
    sfx_.AddItem("SFX - Shower");
  }

  IMenuList root_, sfx_;
};

TEST_F(X11MenuTest, AClickInTheCascadedSubMenuLoadsThatPreset) {
  BuildMenuShape();
  MenuUser user([&](MenuUser& u) {
    if (!u.WaitForLevels(1)) return void(u.failed = true);
    // Below the preset name's left edge (120, 130).
    if (u.Level(0).x != 120 || u.Level(0).y != 130) u.failed = true;
    u.MoveToRow(0, root_, 1);  // "Factory > SFX" opens beside it
    if (!u.WaitForLevels(2)) return void(u.failed = true);
    if (u.Level(1).x < u.Level(0).x + u.Level(0).width - 10) u.failed = true;
    u.MoveToRow(1, sfx_, 0);
    u.Button(1);  // "SFX - Shower"
  });
  Click(500, 100);  // the preset name
  ASSERT_TRUE(PumpUntil([&] { return user.Finished() && ShownName() == "SFX - Shower"; }))
      << ShownName();
  EXPECT_FALSE(user.failed);
  EXPECT_EQ(Value(*plugin_, kAmpMainVolume), 0.5);
  EXPECT_EQ(Value(*plugin_, kContainerSize), 0.25);
  EXPECT_EQ(EngineValue(*plugin_, kSoundfieldAmt), 1.0);
  EXPECT_TRUE(PopupWindows(display_).empty());
}

TEST_F(X11MenuTest, EscapeOrAClickOutsideDismissesWithoutAChoice) {
  BuildMenuShape();
  const std::function<void(MenuUser&)> dismissals[] = {
      [](MenuUser& u) { u.Key(XK_Escape); },
      [](MenuUser& u) {
        u.MoveTo(900, 800);  // over the editor, away from the menu
        u.Button(1);
      },
      [&](MenuUser& u) {
        // Open the sub-menu first: one click outside closes every level.
        u.MoveToRow(0, root_, 1);
        if (!u.WaitForLevels(2)) u.failed = true;
        u.MoveTo(1500, 1000);  // outside the editor too
        u.Button(1);
      },
  };
  for (const auto& dismiss : dismissals) {
    const double volume = Value(*plugin_, kAmpMainVolume);
    MenuUser user([&](MenuUser& u) {
      if (!u.WaitForLevels(1)) return void(u.failed = true);
      dismiss(u);
    });
    Click(500, 100);
    ASSERT_TRUE(PumpUntil([&] { return user.Finished() && PopupWindows(display_).empty(); }));
    EXPECT_FALSE(user.failed);
    EXPECT_EQ(ShownName(), "< Presets Library >");
    EXPECT_EQ(Value(*plugin_, kAmpMainVolume), volume);
    EXPECT_TRUE(editor_->WindowIsOpen());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // no double-click next
  }
}

TEST_F(X11MenuTest, TheKeyboardWalksIntoASubMenuAndChooses) {
  MenuUser user([](MenuUser& u) {
    if (!u.WaitForLevels(1)) return void(u.failed = true);
    // Down to "Factory > SFX" (the title is not a choice), into it, its entry.
    for (unsigned long key : {XK_Down, XK_Right}) u.Key(key);
    if (!u.WaitForLevels(2)) return void(u.failed = true);
    u.Key(XK_Return);
  });
  Click(500, 100);
  ASSERT_TRUE(PumpUntil([&] { return user.Finished() && ShownName() == "SFX - Shower"; }))
      << ShownName();
  EXPECT_FALSE(user.failed);
}

}  // namespace
}  // namespace fluvia::testing
