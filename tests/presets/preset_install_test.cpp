#include "presets/preset_install.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_numbers.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia {
namespace {

using testing::ScratchFolder;

const std::vector<PresetFileData> kFiles = {
    {"Factory/SFX - Shower.fluviapreset", "shower"},
    {"Factory/SFX - Waterfall.fluviapreset", "waterfall"},
    {"Factory/SFX - Light Rain.fluviapreset", "light rain"},
    {"Factory/SFX - Heavy Rain.fluviapreset", "heavy rain"},
};

TEST(PresetInstall, WritesMissingFilesAndNeverReplacesChangedOnes) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path() + "Docs/VelmoraAudio/Fluvia/Presets/";
  PresetInstallReport first = InstallPresets(folder, kFiles);
  EXPECT_TRUE(first.Succeeded());
  EXPECT_EQ(first.written.size(), 4u);
  EXPECT_TRUE(IsFolder(folder + "User"));
  EXPECT_EQ(ScratchFolder::Read(folder + "Factory/SFX - Shower.fluviapreset"), "shower");

  // The user edits one, deletes one and puts a folder where a third was; a user preset is
  // saved next to them.
  ScratchFolder::Write(folder + "Factory/SFX - Shower.fluviapreset", "my shower");
  std::remove((folder + "Factory/SFX - Waterfall.fluviapreset").c_str());
  std::remove((folder + "Factory/SFX - Light Rain.fluviapreset").c_str());
  MakeFolders(folder + "Factory/SFX - Light Rain.fluviapreset");
  ScratchFolder::Write(folder + "User/USR - Fluvia User Preset 001.fluviapreset", "mine");

  PresetInstallReport second = InstallPresets(folder, kFiles);
  EXPECT_TRUE(second.Succeeded());
  EXPECT_EQ(second.written, std::vector<std::string>{"Factory/SFX - Waterfall.fluviapreset"});
  EXPECT_EQ(second.unchanged, std::vector<std::string>{"Factory/SFX - Heavy Rain.fluviapreset"});
  EXPECT_EQ(second.skipped, (std::vector<std::string>{"Factory/SFX - Shower.fluviapreset",
                                                      "Factory/SFX - Light Rain.fluviapreset"}));
  EXPECT_EQ(ScratchFolder::Read(folder + "Factory/SFX - Shower.fluviapreset"), "my shower");
  EXPECT_EQ(ScratchFolder::Read(folder + "User/USR - Fluvia User Preset 001.fluviapreset"), "mine");
}

TEST(PresetInstall, ReportsWhatCannotBeWritten) {
  ScratchFolder scratch;
  ScratchFolder::Write(scratch.File("Presets"), "a file where the folder should be");
  const PresetInstallReport report = InstallPresets(scratch.Path() + "Presets/", kFiles);
  EXPECT_FALSE(report.Succeeded());
  EXPECT_EQ(report.failed.size(), 2u + kFiles.size());  // both folders and every file
  EXPECT_TRUE(report.written.empty());
}

// The factory presets as shipped: one file per factory number, each exactly what the
// plug-in itself would write for its values, and each within what the sound allows.
TEST(FactoryPresets, AreTheSixLibraryFilesInTheWritersOwnFormat) {
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string relative = LibraryPresetRelativePath(n);
    const std::string path =
        std::string(FLUVIA_FACTORY_PRESET_DIR) + "/" + relative.substr(relative.find('/') + 1);
    const auto text = ReadSmallFile(path, kMaxPresetFileBytes);
    ASSERT_TRUE(text.has_value()) << path;

    const PresetValues parsed = ParsePresetText(*text);
    std::array<double, kStoredPresetParamCount> values{};
    for (size_t i = 0; i < values.size(); ++i) {
      ASSERT_TRUE(parsed[i].has_value()) << path << " " << StoredPresetParams()[i].tag;
      values[i] = *parsed[i];
      EXPECT_GE(values[i], 0.0) << path;
      EXPECT_LE(values[i], 1.0) << path;
    }
    // Rewriting the single-precision values gives the same bytes: no value is lost.
    EXPECT_EQ(PresetFileText(values), *text) << path;
    // The output stage saturates at 1.082 x volume: at most 0.82 keeps every peak below
    // -1 dBFS whatever the noise does.
    EXPECT_LE(values[1], 0.82) << path;
    if (n == kWelcomePresetNumber) {
      EXPECT_GT(values[7], 0.0) << "the river is wide";
    }
  }
}

}  // namespace
}  // namespace fluvia
