// What the redraw timer draws: only what is dirty, and what the dirty area touches.

#include <gtest/gtest.h>

#include "graphics/panel_control.h"
#include "graphics/pix/pix_bitmap.h"
#include "tests/graphics/editor/editor_fixture.h"
#include "tests/graphics/editor/surface_helpers.h"

namespace fluvia::testing {
namespace {

using Log = std::vector<std::string>;

TEST(Redraw, ANoticeIsDrawnOverTheControlsAndTheNextClickOnlyClosesIt) {
  EditorFixture f;
  const IBounds all(0, 0, f.graphics.Width(), f.graphics.Height());
  f.Add<IPanelControl>(all, IArgbColor(255, 10, 20, 30));
  f.Probe(all, "bg");
  f.Attach();
  f.Settle();
  const int cx = all.right / 2, cy = all.bottom / 2;
  const std::uint32_t before = PixelAt(*f.graphics.DrawSurface(), cx, cy);

  f.graphics.ShowNotice("Install zenity\nto load presets");
  const IBounds box = f.graphics.NoticeRect();
  ASSERT_TRUE(box.Contains(cx, cy));
  IBounds dirty;
  ASSERT_TRUE(f.graphics.IsDirty(dirty));
  EXPECT_EQ(dirty, box);
  f.graphics.Tick();
  EXPECT_NE(PixelAt(*f.graphics.DrawSurface(), cx, cy), before);
  EXPECT_EQ(f.log, (Log{"bg draw"}));  // what lies beneath, then the notice over it

  f.log.clear();
  f.graphics.MouseDown(cx, cy);
  f.graphics.MouseUp(cx, cy);
  EXPECT_EQ(f.graphics.Notice(), "");
  EXPECT_EQ(f.log, (Log{}));  // the click was the notice's
  f.graphics.Tick();
  EXPECT_EQ(PixelAt(*f.graphics.DrawSurface(), cx, cy), before);
}

TEST(Redraw, OpeningTheWindowDrawsEverythingOnce) {
  EditorFixture f;
  f.Probe({0, 0, 400, 400}, "bg");
  f.Probe({10, 10, 50, 50}, "a");
  f.Attach();
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.log, (Log{"bg draw", "a draw"}));
  EXPECT_EQ(f.graphics.LastScreenRegion(), IBounds(0, 0, 400, 400));
  f.log.clear();
  EXPECT_FALSE(f.graphics.Tick());  // nothing dirty any more
  EXPECT_TRUE(f.log.empty());
}

TEST(Redraw, OnlyDirtyControlsAndWhatTheyOverlapAreDrawn) {
  EditorFixture f;
  f.Probe({0, 0, 400, 400}, "bg");
  ProbeControl& left = f.Probe({10, 10, 50, 50}, "left");
  f.Probe({300, 300, 350, 350}, "right");
  f.Probe({40, 40, 80, 80}, "overlapping");
  f.Attach();
  f.Settle();

  left.SetDirty(false);
  ASSERT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.log, (Log{"bg draw", "left draw", "overlapping draw"}));
  EXPECT_EQ(f.graphics.LastScreenRegion(), IBounds(10, 10, 50, 50));
}

TEST(Redraw, TouchingRectanglesOverlapOnTheRightAndBottomOnly) {
  EditorFixture f;
  f.Probe({200, 100, 300, 200}, "right");
  f.Probe({0, 100, 100, 200}, "left");
  f.Probe({100, 200, 200, 300}, "below");
  f.Probe({100, 0, 200, 100}, "above");
  f.Probe({0, 0, 0, 0}, "empty");
  f.Attach();
  f.Settle();
  f.graphics.Draw(IBounds(100, 100, 200, 200));
  EXPECT_EQ(f.log, (Log{"right draw", "below draw"}));
}

TEST(Redraw, HiddenDirtyControlMakesTheEditorDirtyButIsNotDrawn) {
  EditorFixture f;
  f.Probe({0, 0, 400, 400}, "bg");
  ProbeControl& hidden = f.Probe({10, 10, 50, 50}, "hidden");
  f.Attach();
  f.Settle();
  hidden.Hide(true);
  IBounds dirty;
  EXPECT_TRUE(f.graphics.IsDirty(dirty));
  EXPECT_EQ(dirty, IBounds(10, 10, 50, 50));
  f.graphics.Tick();
  EXPECT_EQ(f.log, (Log{"bg draw"}));
  // Hiding sets the redraw flag: the area is painted once more on the next tick.
  f.log.clear();
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.log, (Log{"bg draw"}));
  f.log.clear();
  EXPECT_FALSE(f.graphics.Tick());
}

TEST(Redraw, DirtyUnionSpansEveryDirtyControl) {
  EditorFixture f;
  ProbeControl& a = f.Probe({10, 20, 30, 40}, "a");
  ProbeControl& b = f.Probe({100, 5, 120, 25}, "b");
  f.Attach();
  f.Settle();
  IBounds dirty;
  EXPECT_FALSE(f.graphics.IsDirty(dirty));
  EXPECT_TRUE(dirty.Empty());
  a.SetDirty(false);
  b.SetDirty(false);
  EXPECT_TRUE(f.graphics.IsDirty(dirty));
  EXPECT_EQ(dirty, IBounds(10, 5, 120, 40));
}

TEST(Redraw, LooseDrawingRedrawsAroundEachDirtyControl) {
  EditorFixture f;
  ProbeControl& bg = f.Probe({0, 0, 400, 400}, "bg");
  ProbeControl& a = f.Probe({10, 10, 50, 50}, "a");
  f.Probe({45, 45, 90, 90}, "b");
  f.Probe({300, 300, 350, 350}, "c");
  f.Attach();
  f.Settle();
  f.graphics.SetStrictDrawing(false);

  a.SetDirty(false);
  f.graphics.Tick();
  EXPECT_EQ(f.log, (Log{"bg draw", "a draw", "b draw"}));

  f.log.clear();
  bg.SetDirty(false);
  f.graphics.Tick();
  EXPECT_EQ(f.log, (Log{"bg draw", "a draw", "b draw", "c draw"}));
}

TEST(Redraw, AMenuInvalidatesTheWholeEditor) {
  EditorFixture f;
  f.Probe({0, 0, 400, 400}, "bg");
  f.Attach();
  f.Settle();
  IMenuList menu;
  menu.AddItem("one");
  EXPECT_EQ(f.graphics.CreateIPopupMenu(menu, IBounds(10, 10, 20, 20)), nullptr);
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.graphics.LastScreenRegion(), IBounds(0, 0, 1000, 960));
}

TEST(Redraw, TimerRunsOnlyWhileTheWindowIsOpen) {
  EditorFixture f;
  ProbeControl& a = f.Probe({10, 10, 50, 50}, "a");
  f.Attach();
  f.Settle();
  f.graphics.CloseWindow();
  a.SetDirty(false);
  EXPECT_FALSE(f.graphics.Tick());
  EXPECT_EQ(f.graphics.TimerPeriodMs(), 40);
  f.graphics.OpenWindow(nullptr);
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.log, (Log{"a draw"}));
}

}  // namespace
}  // namespace fluvia::testing
