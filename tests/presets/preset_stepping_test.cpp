#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "presets/preset_format.h"
#include "presets/preset_numbers.h"
#include "tests/presets/preset_fixture.h"

namespace fluvia {
namespace {

using testing::PresetLibraryTest;
using testing::ScratchFolder;

// The library as a person might have it: the six factory presets, three saved slots and two
// presets saved under their own names. Menu order: 1 to 6, 7, 30, 106, Alpha (107), Beta (108).
class PresetSteppingTest : public PresetLibraryTest {
 protected:
  PresetSteppingTest() {
    for (int n : {1, 2, 3, 4, 5, 6, 7, 30, 106}) Write(library.PresetFilePath(n), n);
    Write(folder + "User/Alpha.fluviapreset", 107);
    Write(folder + "User/Beta.fluviapreset", 108);
    library.Rescan();
  }
  // Every file holds its own number as ContainerSize / 1000, so a load shows which.
  static void Write(const std::string& path, int number) {
    ScratchFolder::Write(path, "<ContainerSize>" + std::to_string(number / 1000.0) +
                                   "</ContainerSize>");
  }
  int LoadedNumber() const { return int(std::lround(Value(kContainerSize) * 1000.0)); }
  void Forget() { HostSets(kContainerSize, 0.0); }
  void Choose(double number) { HostSets(kPresetSelector, number); }
  // What a click must leave alone when it loads nothing.
  struct Snapshot {
    int loaded;
    float current;
    std::string name;
    std::string loadFile;
    bool operator==(const Snapshot& o) const {
      return loaded == o.loaded && current == o.current && name == o.name && loadFile == o.loadFile;
    }
  };
  Snapshot Now() const {
    return {LoadedNumber(), library.CurrentPresetNumber(), library.ShownName(),
            library.ChosenLoadFile()};
  }
};

TEST_F(PresetSteppingTest, ArrowsWalkTheMenuOrderAndEveryClickAtAnEndChangesNothing) {
  // Nothing loaded yet: next starts at the first preset.
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 1);
  EXPECT_EQ(library.ShownName(), "WLCM - The River Wild");

  const int order[] = {2, 3, 4, 5, 6, 7, 30, 106, 107, 108};
  for (int expected : order) {
    Forget();
    Press(kPresetForward);
    EXPECT_EQ(LoadedNumber(), expected);
    EXPECT_EQ(library.CurrentPresetNumber(), float(expected));
    EXPECT_EQ(Value(kPresetSelector), 0.0);
  }
  EXPECT_EQ(library.ShownName(), "Beta");
  EXPECT_EQ(library.ChosenLoadFile(), folder + "User/Beta.fluviapreset");

  // Three more clicks past the last: everything stays as it is.
  Forget();
  const Snapshot atEnd = Now();
  for (int i = 0; i < 3; ++i) {
    Press(kPresetForward);
    EXPECT_EQ(Now(), atEnd) << i;
  }
  // Then three back: each one loads the one before (no hidden count to undo first).
  for (int expected : {107, 106, 30}) {
    Press(kPresetBackward);
    EXPECT_EQ(LoadedNumber(), expected);
  }

  // The same at the start.
  Choose(1);
  Forget();
  const Snapshot atStart = Now();
  for (int i = 0; i < 3; ++i) {
    Press(kPresetBackward);
    EXPECT_EQ(Now(), atStart) << i;
  }
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 2);
  EXPECT_TRUE(notices.empty());
}

TEST_F(PresetSteppingTest, WithNothingLoadedPreviousStartsAtTheLast) {
  Press(kPresetBackward);
  EXPECT_EQ(LoadedNumber(), 108);
  EXPECT_EQ(library.CurrentPresetNumber(), 108.0f);
}

TEST_F(PresetSteppingTest, ChoosingANumberLoadsItsFileAndANumberWithoutOneChangesNothing) {
  Choose(3);
  EXPECT_EQ(LoadedNumber(), 3);
  EXPECT_EQ(library.ShownName(), "SFX - Shower");
  EXPECT_EQ(library.ChosenLoadFile(), folder + "Factory/SFX - Shower.fluviapreset");
  EXPECT_EQ(library.CurrentPresetNumber(), 3.0f);
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(EngineValue(kPresetSelector), 0.0);
  EXPECT_EQ(core.voiceResets, 1);

  Choose(107);  // the first of the other user files
  EXPECT_EQ(LoadedNumber(), 107);
  EXPECT_EQ(library.ShownName(), "Alpha");
  Choose(4.5);  // a host value is rounded half up
  EXPECT_EQ(LoadedNumber(), 5);

  // Numbers that name no file: an empty slot, the title, beyond the files, below 0.
  for (double none : {50.0, 0.0, 109.0, -1.0, 10000.0}) {
    Forget();
    const Snapshot before = Now();
    Choose(none);
    EXPECT_EQ(Now(), before) << none;
    EXPECT_EQ(Value(kPresetSelector), 0.0) << none;
  }
  // A host's choice that loads nothing is no reason to speak up in the editor.
  EXPECT_TRUE(notices.empty());
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 6);  // still from 5
}

TEST_F(PresetSteppingTest, FilesThatVanishAreSteppedAroundOrReportedAndNothingChanges) {
  Choose(30);
  // The current preset's file goes: the next click steps from where it stood.
  std::remove(library.PresetFilePath(30).c_str());
  library.Rescan();
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 106);
  Choose(30);  // gone: nothing changes
  EXPECT_EQ(LoadedNumber(), 106);
  std::remove(library.PresetFilePath(106).c_str());
  library.Rescan();
  Press(kPresetBackward);
  EXPECT_EQ(LoadedNumber(), 7);

  // The next one vanishes between the scan and the click: the person is told, and nothing
  // changes.
  Choose(106 + 1);
  EXPECT_EQ(LoadedNumber(), 107);
  std::remove((folder + "User/Beta.fluviapreset").c_str());
  Forget();
  const Snapshot before = Now();
  Press(kPresetForward);
  EXPECT_EQ(Now(), before);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("\"Beta\" could not be loaded"), std::string::npos) << notices[0];
}

TEST_F(PresetSteppingTest, ASavedUserSlotLoadsFromItsNumberAndJoinsTheSteps) {
  HostSets(kContainerSize, 0.777);
  library.SetChosenSaveFile(folder + "User/USR - Fluvia User Preset 012.fluviapreset");
  core.SetParamFromEditor(kPresetSave, 1.0);
  EXPECT_EQ(library.CurrentPresetNumber(), 18.0f);  // what was saved is current at once
  Forget();
  Choose(18);
  EXPECT_EQ(Value(kContainerSize), double(0.777f));
  EXPECT_EQ(library.ShownName(), "USR - Fluvia User Preset 012");
  Press(kPresetBackward);
  EXPECT_EQ(LoadedNumber(), 7);
  Press(kPresetForward);
  EXPECT_EQ(Value(kContainerSize), double(0.777f));
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 30);
}

}  // namespace
}  // namespace fluvia
