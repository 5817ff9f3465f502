// The in-memory window host: menus answered from the script, the factory, resizing.

#include <gtest/gtest.h>

#include <iterator>

#include "graphics/headless/headless_factory.h"
#include "graphics/pix/pix_bitmap.h"
#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

TEST(WindowHost, MenuChoicesNameAListByTheEntriesLeadingToIt) {
  EditorFixture f;
  f.Attach();
  IMenuList main, banks, bankA;
  main.AddItem("< Presets Library >");
  main.AddSubMenu("User", &banks);
  main.AddItem("Greyed", IMenuEntry::kGreyed);
  main.AddSeparator();
  banks.AddSubMenu("Bank A", &bankA);
  for (const char* name : {"One", "Two", "Three"}) bankA.AddItem(name);

  struct Case {
    std::vector<int> path;
    int index;
    IMenuList* chosen;
    int chosenIndex;
  } cases[] = {
      {{}, 0, &main, 0},
      {{1, 0}, 2, &bankA, 2},
      {{1}, 0, nullptr, -1},      // a sub-menu caption opens, it is not chosen
      {{}, 2, nullptr, -1},       // greyed
      {{}, 3, nullptr, -1},       // separator
      {{0}, 0, nullptr, -1},      // "< Presets Library >" has no sub-menu
      {{1, 0}, 3, nullptr, -1},   // past the end
      {{}, -1, nullptr, -1},
  };
  for (const Case& c : cases) {
    for (IMenuList* list : {&main, &banks, &bankA}) list->chosenIndex = -1;
    f.graphics.QueueMenuChoice(c.path, c.index);
    EXPECT_EQ(f.graphics.CreateIPopupMenu(main, IBounds(120, 80, 880, 130)), c.chosen);
    if (c.chosen) {
      EXPECT_EQ(c.chosen->chosenIndex, c.chosenIndex);
    }
  }
  f.graphics.QueueMenuDismiss();
  EXPECT_EQ(f.graphics.CreateIPopupMenu(main, IBounds()), nullptr);
  EXPECT_EQ(f.graphics.CreateIPopupMenu(main, IBounds()), nullptr);  // nothing queued
  ASSERT_EQ(f.graphics.MenuPrompts().size(), std::size(cases) + 2);
  EXPECT_EQ(f.graphics.MenuPrompts()[0].rect, IBounds(120, 80, 880, 130));
  EXPECT_EQ(f.graphics.MenuPrompts()[0].texts[1], "User");
}

TEST(WindowHost, MenuNumberingPrefixesPositionsFromOne) {
  IMenuList list;
  list.AddItem("Rain");
  for (int i = 0; i < 11; ++i) list.AddItem("x");
  struct Case {
    int numbering;
    int index;
    const char* text;
  } cases[] = {{IMenuList::kNoNumbers, 0, "Rain"}, {IMenuList::kNumbers1, 0, "1: Rain"},
               {IMenuList::kNumbers2, 0, "01: Rain"}, {IMenuList::kNumbers3, 0, "001: Rain"},
               {IMenuList::kNumbers1, 11, "12: x"}, {IMenuList::kNumbers2, 11, "12: x"}};
  for (const Case& c : cases) {
    list.numbering = c.numbering;
    EXPECT_EQ(list.DisplayText(c.index), c.text);
  }
  EXPECT_EQ(list.DisplayText(12), "");
}

TEST(WindowHost, FactoryMakesAnEditorOfTheSetsSize) {
  TestPlugin plugin;
  const GraphicsFactory factory = HeadlessGraphicsFactory();
  for (ArtworkSet set : {ArtworkSet::Large, ArtworkSet::Small}) {
    std::unique_ptr<IGraphics> graphics = factory(plugin, set);
    ASSERT_NE(graphics, nullptr);
    EXPECT_EQ(graphics->Width(), set == ArtworkSet::Large ? 1000 : 500);
    EXPECT_EQ(graphics->Height(), set == ArtworkSet::Large ? 960 : 480);
    EXPECT_STREQ(graphics->GetDrawingApiName(), "Headless");
    EXPECT_FALSE(graphics->WindowIsOpen());
    EXPECT_NE(graphics->OpenWindow(nullptr), nullptr);
    EXPECT_TRUE(graphics->WindowIsOpen());
  }
}

TEST(WindowHost, ResizeKeepsTheControlsAndTellsTheHost) {
  EditorFixture f;
  ProbeControl& probe = f.Probe({10, 10, 50, 50}, "a", kAmpFadeInOut);
  f.Attach();
  f.Settle();
  f.graphics.MouseDown(20, 20);
  f.graphics.Resize(640, 480);
  EXPECT_EQ(f.graphics.Width(), 640);
  EXPECT_EQ(f.graphics.DrawSurface()->Width(), 640);
  EXPECT_EQ(f.graphics.DrawSurface()->Height(), 480);
  EXPECT_EQ(f.graphics.MouseCapture(), -1);
  EXPECT_EQ(f.graphics.GetControl(0), &probe);
  EXPECT_EQ(f.plugin.host.events, (std::vector<std::string>{"begin 0", "end 0", "resize 640x480"}));
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(f.graphics.LastScreenRegion(), IBounds(0, 0, 640, 480));
  f.plugin.host.events.clear();
  f.graphics.Resize(640, 480);  // unchanged: nothing
  EXPECT_TRUE(f.plugin.host.events.empty());
}

}  // namespace
}  // namespace fluvia::testing
