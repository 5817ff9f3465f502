// Which control an event reaches, and what the host hears about it.

#include <gtest/gtest.h>

#include "graphics/key_codes.h"
#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

using Log = std::vector<std::string>;

IMouseKeys Left() { return IGraphicsHeadless::LeftButton(); }
IMouseKeys Right() { return IGraphicsHeadless::RightButton(); }

// Background 0..400 square, a control at 100..200, another overlapping it at 150..250 on top.
class StackFixture : public EditorFixture {
 public:
  explicit StackFixture(PluginApi api = PluginApi::VST3) : EditorFixture(api) {
    background = &Probe({0, 0, 400, 400}, "bg");
    lower = &Probe({100, 100, 200, 200}, "lower", kAmpFadeInOut);
    upper = &Probe({150, 150, 250, 250}, "upper", kAmpMainVolume);
    Attach();
    Settle();
  }
  ProbeControl* background;
  ProbeControl* lower;
  ProbeControl* upper;
};

TEST(Dispatch, TopmostVisibleEnabledControlWins) {
  StackFixture f;
  struct Case {
    const char* setup;
    int x, y;
    const char* expected;
  } cases[] = {
      {"", 175, 175, "upper down"},
      {"", 120, 120, "lower down"},
      {"", 300, 300, "bg down"},
      {"hide upper", 175, 175, "lower down"},
      {"grey upper", 175, 175, "lower down"},
      {"grey both", 175, 175, "bg down"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + " at " + std::to_string(c.x));
    const std::string setup = c.setup;
    f.upper->Hide(setup == "hide upper");
    f.upper->GrayOut(setup == "grey upper" || setup == "grey both");
    f.lower->GrayOut(setup == "grey both");
    f.log.clear();
    f.graphics.MouseDown(c.x, c.y);
    f.graphics.MouseUp(c.x, c.y);
    ASSERT_FALSE(f.log.empty());
    EXPECT_EQ(f.log.front(), c.expected);
  }
}

TEST(Dispatch, CapturedControlGetsDragAndReleaseAnywhere) {
  StackFixture f;
  f.graphics.MouseDown(120, 120);
  f.graphics.MouseMove(130, 110, Left());
  f.graphics.MouseMove(130, 110, Left());  // no movement: no drag
  f.graphics.MouseMove(390, 390, Left());  // far outside the control
  f.graphics.MouseUp(390, 390);
  EXPECT_EQ(f.log, (Log{"lower down", "lower drag 10,-10", "lower drag 260,280", "lower up"}));
  EXPECT_EQ(f.plugin.host.events, (Log{"begin 0", "end 0"}));
  EXPECT_EQ(f.graphics.MouseCapture(), -1);
}

TEST(Dispatch, PressOutsideEveryControlCapturesNothing) {
  EditorFixture f;
  f.Probe({100, 100, 200, 200}, "knob", kAmpFadeInOut);
  f.Attach();
  f.Settle();
  f.graphics.MouseDown(10, 10);
  EXPECT_EQ(f.graphics.MouseCapture(), -1);
  f.graphics.MouseMove(150, 150, Left());
  f.graphics.MouseUp(150, 150);
  // The release reaches the control under the pointer; no edit was begun, so none is ended.
  EXPECT_EQ(f.log, (Log{"knob up"}));
  EXPECT_TRUE(f.plugin.host.events.empty());
}

TEST(Dispatch, RightClickOnParameterControlOpensHostMenuOnlyUnderVst3) {
  {
    StackFixture f(PluginApi::VST3);
    f.graphics.MouseDown(120, 130, Right());
    EXPECT_EQ(f.plugin.host.events, (Log{"menu 0 at 120,130"}));
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(f.graphics.MouseCapture(), -1);
    f.graphics.MouseUp(120, 130, Right());
    EXPECT_EQ(f.plugin.host.events, (Log{"menu 0 at 120,130"}));  // no unmatched end
    // A control without a parameter takes right-clicks itself.
    f.log.clear();
    f.graphics.MouseDown(300, 300, Right());
    EXPECT_EQ(f.log, (Log{"bg down"}));
  }
  {
    StackFixture f(PluginApi::VST2);
    f.graphics.MouseDown(120, 130, Right());
    f.graphics.MouseUp(120, 130, Right());
    EXPECT_EQ(f.plugin.host.events, (Log{"begin 0", "end 0"}));
    EXPECT_EQ(f.log, (Log{"lower down", "lower up"}));
    // Prompting is off by default, so the right-click opened nothing.
    EXPECT_TRUE(f.graphics.TextEntryRects().empty());
  }
}

TEST(Dispatch, KeysGoToTheControlUnderThePointerElseTheKeyCatcher) {
  StackFixture f;
  const int keyA = 'A';
  EXPECT_TRUE(f.graphics.KeyDown(175, 175, keyA));
  EXPECT_FALSE(f.graphics.KeyDown(300, 300, keyA));  // backdrop, no catcher
  EXPECT_FALSE(f.graphics.KeyDown(900, 900, ' '));   // nothing under the pointer
  EXPECT_EQ(f.log, (Log{"upper key 15"}));
  EXPECT_EQ(f.graphics.ForwardedKeys(), (std::vector<int>{keyA, ' '}));

  std::vector<std::string> catcherLog;
  f.graphics.SetKeyCatcher(
      std::make_unique<ProbeControl>(f.plugin, IBounds(), "catcher", catcherLog));
  EXPECT_TRUE(f.graphics.KeyDown(300, 300, '7'));
  EXPECT_TRUE(f.graphics.KeyDown(900, 900, 38));   // up arrow
  EXPECT_FALSE(f.graphics.KeyDown(175, 175, 13));  // Enter is not an editor key
  EXPECT_EQ(catcherLog, (Log{"catcher key 12", "catcher key 1"}));
}

TEST(Dispatch, KeyValuesMapToKeyCodes) {
  struct Case {
    int value;
    int code;
  } cases[] = {{32, kKeySpace}, {38, kKeyUp}, {40, kKeyDown}, {37, kKeyLeft}, {39, kKeyRight},
               {'0', 5}, {'9', 14}, {'A', 15}, {'Z', 40}, {'a', 15}, {'z', 40},
               {13, -1}, {27, -1}, {91, -1}, {123, -1}, {-5, -1}};
  for (const Case& c : cases) EXPECT_EQ(KeyCodeFromVirtualKey(c.value), c.code) << c.value;
}

TEST(Dispatch, DoubleClickIsADoubleClickUnlessTheControlWantsAPress) {
  StackFixture f;
  f.graphics.DoubleClick(175, 175);
  EXPECT_EQ(f.log, (Log{"upper dblclick"}));
  EXPECT_FALSE(f.graphics.HasMouseCapture());
  EXPECT_EQ(f.graphics.MouseCapture(), -1);

  f.log.clear();
  f.upper->SetDblAsSingleClick(true);
  f.graphics.DoubleClick(175, 175);
  EXPECT_EQ(f.log, (Log{"upper down"}));
  EXPECT_TRUE(f.graphics.HasMouseCapture());
  EXPECT_EQ(f.graphics.MouseCapture(), 2);
}

TEST(Dispatch, WheelGoesToTheCapturedControlOrTheOneUnderThePointer) {
  StackFixture f;
  f.graphics.MouseWheel(175, 175, 240);
  f.graphics.MouseWheel(175, 175, -360);
  f.graphics.MouseWheel(175, 175, 100);  // less than a notch
  f.graphics.MouseDown(120, 120);
  f.graphics.MouseWheel(175, 175, 120);
  EXPECT_EQ(f.log, (Log{"upper wheel 2", "upper wheel -3", "upper wheel 0", "lower down",
                        "lower wheel 1"}));
}

TEST(Dispatch, MouseOverOnlyWhenEnabled) {
  StackFixture f;
  f.graphics.MouseMove(175, 175);
  EXPECT_TRUE(f.log.empty());

  f.graphics.HandleMouseOver(true);
  f.graphics.MouseMove(175, 175);
  f.graphics.MouseMove(120, 120);
  EXPECT_EQ(f.log, (Log{"upper over", "lower over", "upper out"}));
  EXPECT_EQ(f.graphics.MouseOverIndex(), 1);

  // Greyed controls are passed over unless they ask for mouse-over while greyed.
  f.log.clear();
  f.upper->GrayOut(true);
  f.graphics.MouseMove(175, 175);
  f.upper->SetMOWhenGrayed(true);
  f.graphics.MouseMove(176, 176);
  EXPECT_EQ(f.log, (Log{"lower over", "upper over", "lower out"}));

  f.log.clear();
  f.graphics.MouseLeave();
  EXPECT_EQ(f.log, (Log{"bg out", "lower out", "upper out"}));
  EXPECT_EQ(f.graphics.MouseOverIndex(), -1);
}

TEST(Dispatch, NewPressEndsAnEditWhoseReleaseNeverCame) {
  StackFixture f;
  f.graphics.MouseDown(120, 120);  // begins AmpFadeInOut
  f.graphics.MouseDown(175, 175);  // a menu swallowed the release
  f.graphics.MouseUp(175, 175);
  EXPECT_EQ(f.plugin.host.events, (Log{"begin 0", "end 0", "begin 1", "end 1"}));
}

}  // namespace
}  // namespace fluvia::testing
