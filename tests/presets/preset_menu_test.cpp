#include "presets/preset_menu.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/editor_layout.h"
#include "graphics/file_selector_control.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/knob_control.h"
#include "graphics/text_control.h"
#include "presets/preset_catalogue.h"
#include "presets/preset_folder.h"
#include "presets/preset_format.h"
#include "presets/preset_numbers.h"
#include "presets/preset_selector_control.h"
#include "tests/presets/file_limit.h"
#include "tests/presets/preset_fixture.h"

namespace fluvia {
namespace {

using testing::PresetTestCore;
using testing::ScratchFolder;

std::vector<std::string> Texts(const IMenuList& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.NumItems(); ++i) texts.push_back(list.Item(i)->text);
  return texts;
}

std::vector<std::string> Checked(const IMenuList& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.NumItems(); ++i) {
    if (list.Item(i)->Checked()) texts.push_back(list.Item(i)->text);
  }
  return texts;
}

// The number a choice of entry `index` in `list` names.
int NumberOf(const PresetMenu& menu, const IMenuList* list, int index) {
  const_cast<IMenuList*>(list)->chosenIndex = index;
  return menu.PresetNumberOfChoice(list).value_or(-99);
}

class PresetMenuTest : public ::testing::Test {
 protected:
  PresetMenuTest() : folder(scratch.Path() + "Presets/") {}
  void Write(const std::string& relative) { ScratchFolder::Write(folder + relative, "<x>1</x>"); }

  ScratchFolder scratch;
  std::string folder;
};

TEST_F(PresetMenuTest, ListsOnlyWhatExistsAndChoicesNameTheirPresetNumbers) {
  for (int n = 1; n <= 6; ++n) Write(LibraryPresetRelativePath(n));
  Write(LibraryPresetRelativePath(9));   // bank A
  Write(LibraryPresetRelativePath(90));  // bank D
  Write("User/My Stream.fluviapreset");
  Write("User/Rain Test.fluviapreset");
  PresetMenu menu;
  menu.Build(PresetCatalogue::Scan(folder), 0);

  EXPECT_EQ(Texts(menu.Main()),
            (std::vector<std::string>{"< Presets Library >", "WLCM - The River Wild",
                                      "Factory > SFX", "User > User Bank A", "User > User Bank D",
                                      "User > My Presets"}));
  EXPECT_FALSE(menu.Main().Item(0)->Choosable());  // the title only heads the menu
  EXPECT_TRUE(Checked(menu.Main()).empty());
  EXPECT_EQ(Texts(*menu.SubMenu(2)),
            (std::vector<std::string>{"SFX - Faucet Water", "SFX - Shower", "SFX - Waterfall",
                                      "SFX - Light Rain", "SFX - Heavy Rain"}));
  EXPECT_EQ(Texts(*menu.SubMenu(3)), (std::vector<std::string>{"USR - Fluvia User Preset 003"}));
  EXPECT_EQ(Texts(*menu.SubMenu(4)), (std::vector<std::string>{"USR - Fluvia User Preset 084"}));
  EXPECT_EQ(Texts(*menu.SubMenu(5)), (std::vector<std::string>{"My Stream", "Rain Test"}));

  EXPECT_EQ(NumberOf(menu, &menu.Main(), 1), 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(NumberOf(menu, menu.SubMenu(2), i), 2 + i);
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(3), 0), 9);
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(4), 0), 90);
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(5), 0), 107);
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(5), 1), 108);
  // The title, captions, positions beyond a list and lists of other menus name no preset.
  for (int index : {0, 2, 5, 6, -1}) EXPECT_EQ(NumberOf(menu, &menu.Main(), index), -99) << index;
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(3), 1), -99);
  IMenuList foreign;
  foreign.AddItem("x");
  EXPECT_EQ(NumberOf(menu, &foreign, 0), -99);
  EXPECT_FALSE(menu.PresetNumberOfChoice(nullptr).has_value());
}

TEST_F(PresetMenuTest, TheCurrentPresetAndItsSubMenuCarryTheCheckMark) {
  for (int n : {1, 4}) Write(LibraryPresetRelativePath(n));
  Write("User/Rain Test.fluviapreset");
  const PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  PresetMenu menu;
  const struct {
    int current;
    std::vector<std::string> main;
    std::vector<std::string> sub;  // the checked entries of the sub-menu holding it
  } cases[] = {
      {1, {"WLCM - The River Wild"}, {}},
      {4, {"Factory > SFX"}, {"SFX - Waterfall"}},
      {107, {"User > My Presets"}, {"Rain Test"}},
      {0, {}, {}},
      {50, {}, {}},  // a number the menu does not hold marks nothing
  };
  for (const auto& c : cases) {
    menu.Build(catalogue, c.current);
    EXPECT_EQ(Checked(menu.Main()), c.main) << c.current;
    std::vector<std::string> sub;
    for (int i = 0; i < menu.Main().NumItems(); ++i) {
      if (const IMenuList* list = menu.SubMenu(i)) {
        for (const std::string& text : Checked(*list)) sub.push_back(text);
      }
    }
    EXPECT_EQ(sub, c.sub) << c.current;
  }
}

TEST_F(PresetMenuTest, ManyFilesComeInGroupsOf25AndTheMenuStaysBounded) {
  std::filesystem::create_directories(folder + "User");
  for (int i = 1; i <= 30; ++i) Write("User/Take " + std::to_string(i) + ".fluviapreset");
  PresetMenu menu;
  menu.Build(PresetCatalogue::Scan(folder), 0);
  EXPECT_EQ(Texts(menu.Main()),
            (std::vector<std::string>{"< Presets Library >", "User > My Presets 1-25",
                                      "User > My Presets 26-30"}));
  EXPECT_EQ(menu.SubMenu(1)->NumItems(), 25);
  EXPECT_EQ(menu.SubMenu(2)->Item(4)->text, "Take 30");
  EXPECT_EQ(NumberOf(menu, menu.SubMenu(2), 4), 136);

  // Thousands: at most 500 listed in 20 groups, and a word that there are more.
  for (int i = 31; i <= 1200; ++i) Write("User/Take " + std::to_string(i) + ".fluviapreset");
  for (int n = 1; n <= kLastPresetNumber; ++n) Write(LibraryPresetRelativePath(n));
  menu.Build(PresetCatalogue::Scan(folder), 0);
  const IMenuList& main = menu.Main();
  // Title, welcome, effects, four banks, 20 groups, the note.
  ASSERT_EQ(main.NumItems(), 1 + 1 + 1 + 4 + 20 + 1);
  EXPECT_EQ(main.Item(main.NumItems() - 1)->text, "700 more in User: open them with Load");
  EXPECT_FALSE(main.Item(main.NumItems() - 1)->Choosable());
  for (int i = 0; i < main.NumItems(); ++i) {
    if (const IMenuList* list = menu.SubMenu(i)) {
      EXPECT_LE(list->NumItems(), 25) << i;
    }
  }
}

TEST_F(PresetMenuTest, AnEmptyLibrarySaysSo) {
  PresetMenu menu;
  menu.Build(PresetCatalogue::Scan(folder), 0);
  EXPECT_EQ(Texts(menu.Main()), (std::vector<std::string>{"< Presets Library >", "No presets found"}));
  for (int index : {0, 1}) EXPECT_EQ(NumberOf(menu, &menu.Main(), index), -99);
}

// The instrument's editor on the headless window host, with the library wired to its preset
// bar the way the instrument wires it.
class PresetEditorTest : public ::testing::Test {
 protected:
  PresetEditorTest() : folder(scratch.Path() + "Presets/"), library(core, folder) {
    auto graphics = std::make_unique<IGraphicsHeadless>(core, ArtworkSet::Large);
    editor = graphics.get();
    controls = BuildEditorLayout(
        *graphics, core, ArtworkSet::Large,
        std::make_unique<IPopupMenu_PresetSelector>(
            core, IPopupMenu_PresetSelector::LayoutRect(ArtworkSet::Large),
            [this] {
              library.Rescan();
              PresetMenuContents contents = library.MenuContents();
              if (whileTheMenuIsOpen) whileTheMenuIsOpen();
              return contents;
            }),
        PresetDialogFolder(folder));
    controls.saveSelector->SetSuggestion([this](std::string& file, std::string& directory) {
      SuggestPresetSave(folder, file, directory);
    });
    library.SetControls({controls.presetName, controls.loadSelector, controls.saveSelector,
                         [this](const std::string& text) { editor->PostNotice(text); }});
    core.library = &library;
    core.AttachEditor(std::move(graphics));
    editor->OpenWindow(&parent);

    for (int n : {1, 2, 3, 4, 5, 6, 7, 59}) {
      ScratchFolder::Write(library.PresetFilePath(n),
                           "<ContainerSize>" + std::to_string(n / 1000.0) + "</ContainerSize>");
    }
  }
  double Value(int index) const { return core.GetParam(index)->Value(); }
  std::string ShownText() const { return controls.presetName->ShownText(); }
  void ClickPresetBar(const IMouseKeys& keys = IGraphicsHeadless::LeftButton()) {
    editor->Click(500, 100, keys);
  }
  void ClickLoad() { editor->Click(40, 100); }
  void ClickSave() { editor->Click(960, 100); }
  void ClickNext() { editor->Click(900, 105); }
  void ClickPrevious() { editor->Click(100, 105); }
  // The entries the last menu showed in its sub-menu `index` of the main list.
  std::vector<std::string> LastSubMenu(int index) const {
    const IMenuList* list = menuOf().SubMenu(index);
    return list ? Texts(*list) : std::vector<std::string>{};
  }
  const PresetMenu& menuOf() const {
    return static_cast<IPopupMenu_PresetSelector*>(controls.presetSelector)->Menu();
  }
  // Says the notice the editor shows, and takes it away as the next click would.
  std::string TakeNotice() {
    editor->Tick();
    const std::string notice = editor->Notice();
    editor->ShowNotice("");
    return notice;
  }

  ScratchFolder scratch;
  PresetTestCore core;
  std::string folder;
  PresetLibrary library;
  IGraphicsHeadless* editor = nullptr;
  EditorControls controls;
  int parent = 0;
  std::function<void()> whileTheMenuIsOpen;  // runs after the menu was built
};

TEST_F(PresetEditorTest, ChoosingAMenuEntryLoadsThatLibraryPreset) {
  EXPECT_EQ(ShownText(), "< Presets Library >");
  editor->QueueMenuChoice({4}, 0);  // User Bank C, its one saved slot
  ClickPresetBar();

  ASSERT_EQ(editor->MenuPrompts().size(), 1u);
  EXPECT_EQ(editor->MenuPrompts()[0].rect, IBounds(120, 80, 880, 130));
  EXPECT_EQ(editor->MenuPrompts()[0].texts,
            (std::vector<std::string>{"< Presets Library >", "WLCM - The River Wild",
                                      "Factory > SFX", "User > User Bank A", "User > User Bank C"}));
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 053");
  EXPECT_EQ(library.CurrentPresetNumber(), 59.0f);
  EXPECT_EQ(Value(kContainerSize), double(0.059f));
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(core.voiceResets, 1);
  // The knob for ContainerSize (row 9) follows the loaded value.
  EXPECT_EQ(controls.knobs[5]->Value(), double(0.059f));

  // Opened again, the menu marks it.
  editor->QueueMenuDismiss();
  ClickPresetBar();
  EXPECT_EQ(Checked(menuOf().Main()), (std::vector<std::string>{"User > User Bank C"}));
  EXPECT_EQ(Checked(*menuOf().SubMenu(4)),
            (std::vector<std::string>{"USR - Fluvia User Preset 053"}));
  editor->Tick();  // drawing the result must not trip over anything
}

TEST_F(PresetEditorTest, DismissingChangesNothingAndAVanishedChoiceIsReported) {
  editor->QueueMenuDismiss();
  ClickPresetBar();
  EXPECT_EQ(core.voiceResets, 0);
  EXPECT_EQ(library.CurrentPresetNumber(), 0.0f);
  EXPECT_EQ(ShownText(), "< Presets Library >");

  editor->QueueMenuChoice({}, 1);  // the welcome preset, with the right button
  ClickPresetBar(IGraphicsHeadless::RightButton());
  EXPECT_EQ(ShownText(), "WLCM - The River Wild");

  // The menu was built while the file was there; it goes before the choice arrives.
  core.GetParam(kContainerSize)->SetValue(0.5);
  editor->QueueMenuChoice({2}, 2);  // SFX - Waterfall
  whileTheMenuIsOpen = [this] { std::remove(library.PresetFilePath(4).c_str()); };
  ClickPresetBar();
  EXPECT_EQ(Value(kContainerSize), 0.5);
  EXPECT_EQ(library.CurrentPresetNumber(), 1.0f);
  EXPECT_EQ(ShownText(), "WLCM - The River Wild");
  EXPECT_NE(TakeNotice().find("\"SFX - Waterfall\" could not be loaded"), std::string::npos);
}

TEST_F(PresetEditorTest, LoadButtonStartsFromTheLastLibraryPresetAndLoadsTheChoice) {
  editor->QueueMenuChoice({2}, 1);  // SFX - Shower
  ClickPresetBar();
  const std::string other = scratch.File("Elsewhere \xE2\x9C\x93.fluviapreset");
  ScratchFolder::Write(other, "<ContainerSize>0.9</ContainerSize>\n");

  editor->QueueFileChoice(other);
  ClickLoad();
  ASSERT_EQ(editor->FilePrompts().size(), 1u);
  EXPECT_EQ(editor->FilePrompts()[0].file, folder + "Factory/SFX - Shower.fluviapreset");
  EXPECT_EQ(editor->FilePrompts()[0].mode, IGraphics::kFileOpen);
  EXPECT_EQ(editor->FilePrompts()[0].extensions, "fluviapreset");
  EXPECT_EQ(Value(kContainerSize), double(0.9f));
  EXPECT_EQ(ShownText(), "Elsewhere \xE2\x9C\x93");
  EXPECT_EQ(library.CurrentPresetNumber(), 0.0f);  // not one of the library's

  // A cancelled dialog loads nothing and says nothing.
  core.GetParam(kContainerSize)->SetValue(0.5);
  editor->QueueFileCancel();
  ClickLoad();
  EXPECT_EQ(Value(kContainerSize), 0.5);
  EXPECT_EQ(ShownText(), "Elsewhere \xE2\x9C\x93");
  EXPECT_EQ(TakeNotice(), "");
}

TEST_F(PresetEditorTest, SaveSuggestsTheNextFreeSlotAndWhatIsSavedIsInTheMenuAtOnce) {
  core.GetParam(kAmpMainVolume)->SetValue(0.5);
  editor->QueueFileChoice(folder + "User/Rain Test.fluviapreset");  // typed with the extension
  ClickSave();
  ASSERT_EQ(editor->FilePrompts().size(), 1u);
  EXPECT_EQ(editor->FilePrompts()[0].mode, IGraphics::kFileSave);
  EXPECT_EQ(editor->FilePrompts()[0].file, folder + "User/USR - Fluvia User Preset 002.fluviapreset");
  EXPECT_EQ(editor->FilePrompts()[0].directory, folder + "User");
  const std::string saved = folder + "User/Rain Test.fluviapreset";
  EXPECT_NE(ScratchFolder::Read(saved).find("<AmpMainVolume>0.5</AmpMainVolume>"), std::string::npos);
  EXPECT_FALSE(ScratchFolder::Exists(saved + ".fluviapreset"));
  EXPECT_EQ(ShownText(), "Rain Test");
  EXPECT_EQ(library.CurrentPresetNumber(), 107.0f);

  // Typed without the extension: one is added.
  editor->QueueFileChoice(folder + "User/My Stream");
  ClickSave();
  EXPECT_TRUE(ScratchFolder::Exists(folder + "User/My Stream.fluviapreset"));
  EXPECT_FALSE(ScratchFolder::Exists(folder + "User/My Stream"));
  EXPECT_EQ(ShownText(), "My Stream");

  // The menu lists both, marks the current one, and the arrows reach them.
  editor->QueueMenuDismiss();
  ClickPresetBar();
  EXPECT_EQ(LastSubMenu(5), (std::vector<std::string>{"My Stream", "Rain Test"}));
  EXPECT_EQ(Checked(*menuOf().SubMenu(5)), (std::vector<std::string>{"My Stream"}));
  ClickNext();
  EXPECT_EQ(ShownText(), "Rain Test");
  ClickNext();  // the last: nothing changes
  EXPECT_EQ(ShownText(), "Rain Test");
  ClickPrevious();
  ClickPrevious();
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 053");
  EXPECT_EQ(TakeNotice(), "");
}

TEST_F(PresetEditorTest, BadSaveNamesSaveNothingAndSaySo) {
  ScratchFolder::Write(folder + "User/Taken.fluviapreset", "<AmpMainVolume>0.1</AmpMainVolume>");
  const std::string taken = ScratchFolder::Read(folder + "User/Taken.fluviapreset");
  const struct {
    std::string typed;
    const char* says;
  } cases[] = {
      {folder + "User/.fluviapreset", "a preset needs a name"},
      {folder + "User/" + std::string(kMaxPresetNameBytes + 1, 'n'), "longer than 100 characters"},
      // Completing "Taken" would replace a file the dialog never asked about.
      {folder + "User/Taken", "\"Taken\" already exists"},
      {scratch.File("no such folder") + "/x.fluviapreset", ""},  // the dialog refuses it
  };
  for (const auto& c : cases) {
    const size_t files = scratch.EntryCount("Presets/User");
    editor->QueueFileChoice(c.typed);
    ClickSave();
    EXPECT_EQ(scratch.EntryCount("Presets/User"), files) << c.typed;
    const std::string notice = TakeNotice();
    if (*c.says) {
      EXPECT_NE(notice.find(c.says), std::string::npos) << notice;
      EXPECT_NE(notice.find("Nothing was saved"), std::string::npos) << notice;
    } else {
      EXPECT_EQ(notice, "");
    }
    EXPECT_EQ(ShownText(), "< Presets Library >");
  }
  EXPECT_EQ(ScratchFolder::Read(folder + "User/Taken.fluviapreset"), taken);

#ifndef _WIN32
  // A write that fails (a full disk) keeps the old file and says so.
  core.GetParam(kAmpMainVolume)->SetValue(0.25);
  editor->QueueFileChoice(folder + "User/Taken.fluviapreset");
  {
    testing::FileSizeLimit diskFull(8);
    ClickSave();
  }
  EXPECT_EQ(ScratchFolder::Read(folder + "User/Taken.fluviapreset"), taken);
  EXPECT_NE(TakeNotice().find("could not be written"), std::string::npos);
  EXPECT_EQ(ShownText(), "< Presets Library >");
#endif
}

TEST_F(PresetEditorTest, TheNameIsMarkedOnceAKnobMovesAwayFromTheLoadedPreset) {
  editor->QueueMenuChoice({2}, 1);  // SFX - Shower
  ClickPresetBar();
  EXPECT_EQ(ShownText(), "SFX - Shower");
  // Drag the Size knob (row 9) up.
  editor->Drag(810, 290, 810, 250);
  EXPECT_EQ(ShownText(), "SFX - Shower *");
  EXPECT_TRUE(library.SoundDiffers());
  editor->Tick();

  // Loading again clears the mark; so does saving the changed sound.
  editor->QueueMenuChoice({2}, 1);
  ClickPresetBar();
  EXPECT_EQ(ShownText(), "SFX - Shower");
  core.GetParam(kAmpMainVolume)->SetValue(0.2);
  core.ParamChanged(kAmpMainVolume);  // a host's or a controller's change marks it too
  EXPECT_EQ(ShownText(), "SFX - Shower *");
  editor->QueueFileChoice(folder + "User/Quiet Shower");
  ClickSave();
  EXPECT_EQ(ShownText(), "Quiet Shower");
  // A parameter a preset does not store leaves the mark alone.
  core.GetParam(kModStochasticAmt)->SetValue(0.1);
  core.ParamChanged(kModStochasticAmt);
  EXPECT_EQ(ShownText(), "Quiet Shower");
}

}  // namespace
}  // namespace fluvia
