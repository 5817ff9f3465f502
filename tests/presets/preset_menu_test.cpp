#include "presets/preset_menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/editor_layout.h"
#include "graphics/file_selector_control.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/knob_control.h"
#include "graphics/text_control.h"
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

TEST(PresetMenu, ListsHoldTheWholeLibraryAndChoicesNameTheirPresetNumbers) {
  PresetMenu menu;
  EXPECT_EQ(Texts(menu.Main()),
            (std::vector<std::string>{"< Presets Library >", "WLCM - The River Wild",
                                      "Factory > SFX", "User > User Bank A", "User > User Bank B",
                                      "User > User Bank C", "User > User Bank D"}));
  EXPECT_EQ(menu.Main().Item(2)->subMenu, &menu.Sfx());
  for (int bank = 0; bank < 4; ++bank) EXPECT_EQ(menu.Main().Item(3 + bank)->subMenu, &menu.UserBank(bank));

  // Every choosable entry: its number, and its text is the display name of that number's file.
  struct Choice {
    const IMenuList* list;
    int first;
  };
  const Choice lists[] = {{&menu.Sfx(), 2}, {&menu.UserBank(0), 7}, {&menu.UserBank(1), 32},
                          {&menu.UserBank(2), 57}, {&menu.UserBank(3), 82}};
  std::vector<int> numbers;
  for (int index : {0, 1}) {
    menu.Main().chosenIndex = index;
    numbers.push_back(menu.PresetNumberOfChoice(&menu.Main()).value_or(-99));
  }
  for (const Choice& c : lists) {
    EXPECT_EQ(c.list->numbering, IMenuList::kNoNumbers);
    EXPECT_EQ(c.list->chosenIndex, -1);
    for (int i = 0; i < c.list->NumItems(); ++i) {
      EXPECT_EQ(c.list->Item(i)->flags, 0);
      const_cast<IMenuList*>(c.list)->chosenIndex = i;
      const int number = menu.PresetNumberOfChoice(c.list).value_or(-99);
      EXPECT_EQ(number, c.first + i);
      EXPECT_EQ(c.list->Item(i)->text, PresetDisplayName(LibraryPresetPath("/p/", number)));
      numbers.push_back(number);
    }
  }
  ASSERT_EQ(numbers.size(), 107u);
  for (int n = 0; n <= 106; ++n) EXPECT_EQ(numbers[size_t(n)], n);

  // Captions, positions outside a list and lists of other menus name no preset.
  IMenuList foreign;
  foreign.AddItem("x");
  foreign.chosenIndex = 0;
  for (int index : {2, 6, 7, -1}) {
    menu.Main().chosenIndex = index;
    EXPECT_FALSE(menu.PresetNumberOfChoice(&menu.Main()).has_value()) << index;
  }
  EXPECT_FALSE(menu.PresetNumberOfChoice(&foreign).has_value());
  EXPECT_FALSE(menu.PresetNumberOfChoice(nullptr).has_value());
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
        std::make_unique<IPopupMenu_PresetSelector>(core,
                                                    IPopupMenu_PresetSelector::LayoutRect(ArtworkSet::Large)),
        PresetDialogFolder(folder));
    library.SetControls({controls.presetName, controls.loadSelector, controls.saveSelector});
    core.library = &library;
    core.AttachEditor(std::move(graphics));
    editor->OpenWindow(&parent);

    for (int n = 1; n <= kLastPresetNumber; ++n) {
      ScratchFolder::Write(library.PresetFilePath(n),
                           "<ContainerSize>" + std::to_string(n / 1000.0) + "</ContainerSize>");
    }
  }
  double Value(int index) const { return core.GetParam(index)->Value(); }
  std::string ShownText() const { return controls.presetName->Text(); }
  void ClickPresetBar(const IMouseKeys& keys = IGraphicsHeadless::LeftButton()) {
    editor->Click(500, 100, keys);
  }
  void ClickLoad() { editor->Click(40, 100); }
  void ClickSave() { editor->Click(960, 100); }

  ScratchFolder scratch;
  PresetTestCore core;
  std::string folder;
  PresetLibrary library;
  IGraphicsHeadless* editor = nullptr;
  EditorControls controls;
  int parent = 0;
};

TEST_F(PresetEditorTest, ChoosingAMenuEntryLoadsThatLibraryPreset) {
  EXPECT_EQ(ShownText(), "< Presets Library >");
  editor->QueueMenuChoice({5}, 2);  // User Bank C, third entry
  ClickPresetBar();

  ASSERT_EQ(editor->MenuPrompts().size(), 1u);
  EXPECT_EQ(editor->MenuPrompts()[0].rect, IBounds(120, 80, 880, 130));
  EXPECT_EQ(editor->MenuPrompts()[0].texts.size(), 7u);
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 053");
  EXPECT_EQ(library.CurrentPresetNumber(), 59.0f);
  EXPECT_EQ(Value(kContainerSize), double(0.059f));
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(core.voiceResets, 1);
  // The knob for ContainerSize (row 9) follows the loaded value.
  EXPECT_EQ(controls.knobs[5]->Value(), double(0.059f));
  editor->Tick();  // drawing the result must not trip over anything
}

TEST_F(PresetEditorTest, DismissingChangesNothingAndTheTitleLoadsNothing) {
  editor->QueueMenuDismiss();
  ClickPresetBar();
  EXPECT_EQ(core.voiceResets, 0);
  EXPECT_EQ(library.CurrentPresetNumber(), 0.0f);
  EXPECT_EQ(ShownText(), "< Presets Library >");

  editor->QueueMenuChoice({}, 1);  // the welcome preset, with the right button
  ClickPresetBar(IGraphicsHeadless::RightButton());
  EXPECT_EQ(ShownText(), "WLCM - The River Wild");

  core.GetParam(kContainerSize)->SetValue(0.5);
  editor->QueueMenuChoice({}, 0);  // "< Presets Library >"
  ClickPresetBar();
  EXPECT_EQ(core.voiceResets, 2);
  EXPECT_EQ(Value(kContainerSize), 0.5);
  EXPECT_EQ(ShownText(), "WLCM - The River Wild");
  EXPECT_EQ(library.CurrentPresetNumber(), 0.0f);

  std::remove(library.PresetFilePath(4).c_str());
  editor->QueueMenuChoice({2}, 2);  // SFX - Waterfall, whose file is gone
  ClickPresetBar();
  EXPECT_EQ(Value(kContainerSize), 0.5);
  EXPECT_EQ(library.CurrentPresetNumber(), 4.0f);
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

  // A cancelled dialog empties the chosen file: the change arrives and loads nothing.
  core.GetParam(kContainerSize)->SetValue(0.5);
  editor->QueueFileCancel();
  ClickLoad();
  EXPECT_EQ(Value(kContainerSize), 0.5);
  EXPECT_EQ(ShownText(), "Elsewhere \xE2\x9C\x93");
}

TEST_F(PresetEditorTest, SaveButtonWritesTheChosenFileAndAFailedSaveShowsNothingNew) {
  core.GetParam(kAmpMainVolume)->SetValue(0.5);
  editor->QueueFileChoice(folder + "User/USR - Fluvia User Preset 010");  // typed without extension
  ClickSave();
  const std::string saved = folder + "User/USR - Fluvia User Preset 010.fluviapreset";
  EXPECT_NE(ScratchFolder::Read(saved).find("<AmpMainVolume>0.5</AmpMainVolume>"), std::string::npos);
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 010");

  editor->QueueFileCancel();
  ClickSave();
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 010");

#ifndef _WIN32
  core.GetParam(kAmpMainVolume)->SetValue(0.25);
  const std::string before = ScratchFolder::Read(library.PresetFilePath(8));
  editor->QueueFileChoice(library.PresetFilePath(8));
  {
    testing::FileSizeLimit diskFull(8);
    ClickSave();
  }
  EXPECT_EQ(ScratchFolder::Read(library.PresetFilePath(8)), before);
  EXPECT_EQ(ShownText(), "USR - Fluvia User Preset 010");
#endif
}

}  // namespace
}  // namespace fluvia
