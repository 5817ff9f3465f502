#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_numbers.h"
#include "tests/presets/file_limit.h"
#include "tests/presets/preset_fixture.h"

namespace fluvia {
namespace {

using testing::PresetLibraryTest;
using testing::ScratchFolder;

constexpr const char* kWorkedExample =
    "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
    "<AmpFadeInOut>0.3</AmpFadeInOut><AmpMainVolume>0.75</AmpMainVolume>"
    "<ContainerDamping>0</ContainerDamping><ContainerSize>0.1</ContainerSize>"
    "<ParticlesCollisions>0.25</ParticlesCollisions><ParticlesMassSpread>0.5</ParticlesMassSpread>"
    "<ParticlesWeightVelocityRatio>0.5</ParticlesWeightVelocityRatio>"
    "<SoundfieldAmt>0</SoundfieldAmt><SystemEnergyAmt>0.3</SystemEnergyAmt>";

// A preset text with the nine values in file order.
std::string Preset(const std::array<double, 9>& values) { return PresetFileText(values); }

const std::array<double, 9> kSome = {0.1, 0.2, 0.3, 0.4, 0.6, 0.7, 0.8, 0.9, 0.95};

double Single(double x) { return double(static_cast<float>(x)); }

class PresetFileTest : public PresetLibraryTest {
 protected:
  // Moves every stored parameter and ModStochasticAmt away from what the files hold.
  void SetAllTo(double value) {
    for (const auto& p : StoredPresetParams()) HostSets(p.index, value);
    HostSets(kModStochasticAmt, 0.42);
    editor->updates.clear();
  }
  void ExpectStoredValues(const std::array<double, 9>& expected) {
    const auto& stored = StoredPresetParams();
    for (size_t i = 0; i < stored.size(); ++i) {
      EXPECT_EQ(Value(stored[i].index), expected[i]) << stored[i].tag;
      EXPECT_EQ(EngineValue(stored[i].index), expected[i]) << stored[i].tag;
    }
  }
};

TEST_F(PresetFileTest, ReadingAppliesTheNineValuesToParametersEngineAndEditorOnly) {
  SetAllTo(0.99);
  const std::vector<double> before = testing::AllValues(core);
  const std::string path = scratch.File("My Sound.fluviapreset");
  ScratchFolder::Write(path, Preset(kSome));
  core.changes.clear();

  EXPECT_EQ(library.ReadPresetFile(path), PresetReadResult::Applied);

  std::array<double, 9> expected;
  for (size_t i = 0; i < 9; ++i) expected[i] = Single(kSome[i]);
  ExpectStoredValues(expected);
  EXPECT_EQ(Value(kModStochasticAmt), 0.42);
  const std::vector<double> after = testing::AllValues(core);
  for (int i = 0; i < core.NumParams(); ++i) {
    bool stored = false;
    for (const auto& p : StoredPresetParams()) stored = stored || p.index == i;
    if (!stored) {
      EXPECT_EQ(after[size_t(i)], before[size_t(i)]) << i;
    }
  }
  ASSERT_EQ(editor->updates.size(), 9u);
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(editor->updates[i].index, StoredPresetParams()[i].index);
    EXPECT_EQ(editor->updates[i].value, expected[i]);
    EXPECT_TRUE(editor->updates[i].normalised);
  }
  EXPECT_TRUE(core.changes.empty());  // no parameter-change handling: the host is not told
  EXPECT_EQ(library.ShownName(), "My Sound");
}

TEST_F(PresetFileTest, ValuesAreClampedAndNonNumbersOrMissingTagsLeaveTheirParameter) {
  SetAllTo(0.5);
  const std::string path = scratch.File("odd.fluviapreset");
  ScratchFolder::Write(path,
                       "<AmpMainVolume>1.5</AmpMainVolume><AmpFadeInOut>-3</AmpFadeInOut>"
                       "<ContainerSize> 0.25 </ContainerSize><ContainerDamping>0.75abc</ContainerDamping>"
                       "<SystemEnergyAmt>1e39</SystemEnergyAmt><SoundfieldAmt>nan</SoundfieldAmt>"
                       "<ParticlesCollisions></ParticlesCollisions>"
                       "<ParticlesMassSpread>inf</ParticlesMassSpread>"
                       "<ParticlesWeightVelocityRatio>0.1");  // never closed
  library.ReadPresetFile(path);
  ExpectStoredValues({0.0, 1.0, 0.75, 0.25, 0.5, 0.5, 0.5, 0.5, 1.0});
  // The editor hears the clamped values only for the parameters that were set.
  ASSERT_EQ(editor->updates.size(), 5u);
  EXPECT_EQ(editor->updates[1].value, 1.0);
  EXPECT_EQ(editor->updates[0].value, 0.0);
  EXPECT_EQ(library.ShownName(), "odd");
}

TEST_F(PresetFileTest, LineBreaksAnywhereStillLoadButBlankFilesChangeNothing) {
  const std::array<double, 9> loaded = {0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875, 1, 0};
  std::string multiLine;  // one element per line, CRLF, and a final line break
  for (const auto& p : StoredPresetParams()) {
    const size_t i = size_t(&p - StoredPresetParams().data());
    multiLine += std::string("<") + p.tag + ">\r\n" + FormatPresetValue(loaded[i]) + "\r\n</" +
                 p.tag + ">\r\n";
  }
  const struct {
    std::string name;
    std::string content;
  } loading[] = {
      {"final break", Preset(loaded) + "\n"},
      {"crlf", Preset(loaded) + "\r\n"},
      {"many lines", multiLine},
  };
  for (const auto& c : loading) {
    SetAllTo(0.5);
    const std::string path = scratch.File(c.name + ".fluviapreset");
    ScratchFolder::Write(path, c.content);
    EXPECT_EQ(library.ReadPresetFile(path), PresetReadResult::Applied) << c.name;
    ExpectStoredValues(loaded);
    EXPECT_EQ(library.ShownName(), c.name);
  }

  for (const char* blank : {"", "\n", " \r\n\t "}) {
    SetAllTo(0.5);
    const std::string path = scratch.File("blank.fluviapreset");
    ScratchFolder::Write(path, blank);
    EXPECT_EQ(library.ReadPresetFile(path), PresetReadResult::Blank);
    ExpectStoredValues({0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5});
    EXPECT_EQ(library.ShownName(), "many lines");
    EXPECT_TRUE(editor->updates.empty());
  }
}

TEST_F(PresetFileTest, UnreadablePathsChangeNothing) {
  SetAllTo(0.5);
  for (const std::string& path : {scratch.File("missing.fluviapreset"), scratch.Path(),
                                  std::string(), library.PresetFilePath(0)}) {
    EXPECT_EQ(library.ReadPresetFile(path), PresetReadResult::NotRead) << path;
  }
  ScratchFolder::Write(scratch.File("huge.fluviapreset"),
                       Preset(kSome) + std::string(kMaxPresetFileBytes, ' '));
  EXPECT_EQ(library.ReadPresetFile(scratch.File("huge.fluviapreset")), PresetReadResult::NotRead);
  ExpectStoredValues({0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5});
  EXPECT_EQ(library.ShownName(), kPresetsLibraryTitle);
}

TEST_F(PresetFileTest, WritingStoresTheCurrentValuesExactlyAndReadsBackInSinglePrecision) {
  const std::string path = scratch.File("Round Trip \xC3\xA9.fluviapreset");
  EXPECT_TRUE(library.WritePresetFile(path));
  EXPECT_EQ(ScratchFolder::Read(path), kWorkedExample);  // the parameter defaults
  EXPECT_EQ(library.ShownName(), "Round Trip \xC3\xA9");

  const std::array<double, 9> values = {0.123456789, 1e-5, 1, 0, 0.333333333, 0.0001, 0.99999,
                                        0.5, 2.0 / 3};
  for (size_t i = 0; i < 9; ++i) HostSets(StoredPresetParams()[i].index, values[i]);
  HostSets(kModStochasticAmt, 0.25);
  EXPECT_TRUE(library.WritePresetFile(path));
  EXPECT_NE(ScratchFolder::Read(path).find("<AmpMainVolume>1e-005</AmpMainVolume>"),
            std::string::npos);
  EXPECT_EQ(ScratchFolder::Read(path).find("ModStochasticAmt"), std::string::npos);

  SetAllTo(0.5);
  library.ReadPresetFile(path);
  ExpectStoredValues({Single(0.123457), Single(1e-5), 1, 0, Single(0.333333), Single(0.0001),
                      Single(0.99999), 0.5, Single(0.666667)});
  EXPECT_EQ(Value(kModStochasticAmt), 0.42);
}

TEST_F(PresetFileTest, AFailedSaveKeepsTheOldFileAndTheShownName) {
  const std::string path = scratch.File("Keep Me.fluviapreset");
  ASSERT_TRUE(library.WritePresetFile(path));
  const std::string old = ScratchFolder::Read(path);
  HostSets(kAmpMainVolume, 0.2);

  EXPECT_FALSE(library.WritePresetFile(scratch.File("no folder/Other.fluviapreset")));
  EXPECT_EQ(library.ShownName(), "Keep Me");
#ifndef _WIN32
  {
    testing::FileSizeLimit diskFull(16);
    EXPECT_FALSE(library.WritePresetFile(path));
  }
#endif
  EXPECT_EQ(ScratchFolder::Read(path), old);
  EXPECT_EQ(library.ShownName(), "Keep Me");
  EXPECT_EQ(scratch.EntryCount(), 1u);
}

TEST_F(PresetFileTest, SaveAndLoadButtonsUseTheChosenFiles) {
  HostSets(kContainerSize, 0.8);
  library.SetChosenSaveFile(scratch.File("Chosen.fluviapreset"));
  core.SetParamFromEditor(kPresetSave, 1.0);  // the save button
  EXPECT_TRUE(ScratchFolder::Exists(scratch.File("Chosen.fluviapreset")));
  EXPECT_EQ(library.ShownName(), "Chosen");

  // A cancelled save dialog leaves the chosen file empty: nothing is written or shown.
  library.SetChosenSaveFile("");
  library.SaveChosenFile();
  EXPECT_EQ(library.ShownName(), "Chosen");
  EXPECT_EQ(scratch.EntryCount(), 1u);

  HostSets(kContainerSize, 0.1);
  library.SetChosenLoadFile(scratch.File("Chosen.fluviapreset"));
  core.SetParamFromEditor(kPresetLoad, 1.0);
  EXPECT_EQ(Value(kContainerSize), Single(0.8));
  HostSets(kContainerSize, 0.1);
  core.SetParamFromEditor(kPresetLoad, 0.0);  // flipping back loads again
  EXPECT_EQ(Value(kContainerSize), Single(0.8));
}

}  // namespace
}  // namespace fluvia
