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

class PresetSteppingTest : public PresetLibraryTest {
 protected:
  PresetSteppingTest() {
    // Every library file holds its own number as ContainerSize / 1000, so a load shows which.
    for (int n = 1; n <= kLastPresetNumber; ++n) {
      WriteLibraryFile(n, "<ContainerSize>" + std::to_string(n / 1000.0) + "</ContainerSize>");
    }
  }
  // The preset number whose file was loaded last (0 for none since the last Forget).
  int LoadedNumber() const { return int(std::lround(Value(kContainerSize) * 1000.0)); }
  void Forget() { HostSets(kContainerSize, 0.0); }
  void Choose(double number) { HostSets(kPresetSelector, number); }
  void Press(int button) {
    HostSets(button, 1.0);
    HostSets(button, 0.0);  // the release does nothing
  }
};

TEST_F(PresetSteppingTest, ChoosingANumberLoadsItsFileAndRestsTheSelectorAtZero) {
  Choose(3);
  EXPECT_EQ(LoadedNumber(), 3);
  EXPECT_EQ(library.ShownName(), "SFX - Shower");
  EXPECT_EQ(library.ChosenLoadFile(), folder + "Factory/SFX - Shower.fluviapreset");
  EXPECT_EQ(library.CurrentPresetNumber(), 3.0f);
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(EngineValue(kPresetSelector), 0.0);
  EXPECT_EQ(core.voiceResets, 1);

  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 4);
  EXPECT_EQ(library.ShownName(), "SFX - Waterfall");
  EXPECT_EQ(core.voiceResets, 2);

  Choose(3);  // the same preset again is again a change
  EXPECT_EQ(LoadedNumber(), 3);

  // A host value is rounded half up to the number it names.
  Choose(4.5);
  EXPECT_EQ(LoadedNumber(), 5);
  EXPECT_EQ(library.CurrentPresetNumber(), 4.5f);
}

TEST_F(PresetSteppingTest, StepsCrossBanksAndStopAtTheRangeEndsLoadingNothingOutside) {
  const struct {
    double from;
    int button;
    float to;
    int loaded;  // 0: nothing loaded
  } steps[] = {
      {31, kPresetForward, 32, 32},    // bank A to bank B
      {7, kPresetBackward, 6, 6},      // user to factory
      {106, kPresetForward, 107, 0},
      {1, kPresetBackward, 0, 0},
      {0, kPresetBackward, -1, 0},
      {-1, kPresetBackward, -1, 0},    // no wrap-around
      {-1, kPresetForward, 0, 0},      // two presses from -1 to reach 1
      {10000, kPresetForward, 10000, 0},
      {4999.5, kPresetForward, 5000.5f, 0},
  };
  for (const auto& s : steps) {
    Choose(s.from);
    Forget();
    Press(s.button);
    EXPECT_EQ(library.CurrentPresetNumber(), s.to) << s.from;
    EXPECT_EQ(LoadedNumber(), s.loaded) << s.from;
    EXPECT_EQ(Value(kPresetSelector), 0.0) << s.from;
  }

  Choose(31);
  Press(kPresetForward);
  EXPECT_EQ(library.ShownName(), "USR - Fluvia User Preset 026");

  // Past the last slot nothing loads and the name stays; back again loads 106.
  Choose(106);
  Press(kPresetForward);
  EXPECT_EQ(library.ShownName(), "USR - Fluvia User Preset 100");
  EXPECT_EQ(library.ChosenLoadFile(), folder);
  Forget();
  Press(kPresetBackward);
  EXPECT_EQ(LoadedNumber(), 106);
}

TEST_F(PresetSteppingTest, TheTitleAndMissingFilesLoadNothingButStillBecomeCurrent) {
  Choose(5);
  const std::string shown = library.ShownName();
  Forget();
  Choose(0);
  EXPECT_EQ(LoadedNumber(), 0);
  EXPECT_EQ(library.ShownName(), shown);
  EXPECT_EQ(library.CurrentPresetNumber(), 0.0f);

  std::remove(library.PresetFilePath(40).c_str());
  Choose(40);
  EXPECT_EQ(LoadedNumber(), 0);
  EXPECT_EQ(library.CurrentPresetNumber(), 40.0f);
  Press(kPresetForward);
  EXPECT_EQ(LoadedNumber(), 41);
}

TEST_F(PresetSteppingTest, ASavedUserSlotLoadsFromItsMenuNumber) {
  HostSets(kContainerSize, 0.777);
  library.SetChosenSaveFile(folder + "User/USR - Fluvia User Preset 007.fluviapreset");
  core.SetParamFromEditor(kPresetSave, 1.0);
  Forget();
  Choose(13);
  EXPECT_EQ(Value(kContainerSize), double(0.777f));
  EXPECT_EQ(library.ShownName(), "USR - Fluvia User Preset 007");
}

}  // namespace
}  // namespace fluvia
