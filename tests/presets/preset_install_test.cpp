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

TEST(SharedFactoryPresetFolder, IsFoundBelowTheModulesLibFolder) {
  const struct {
    const char* module;
    const char* shared;
  } cases[] = {
      {"/usr/lib/vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so", "/usr/share/fluvia/presets"},
      {"/usr/lib/vst/Fluvia.so", "/usr/share/fluvia/presets"},
      {"/usr/local/lib/vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so",
       "/usr/local/share/fluvia/presets"},
      {"/opt/lib/x/usr/lib/vst/Fluvia.so", "/opt/lib/x/usr/share/fluvia/presets"},  // last lib
      {"/home/me/.vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so", ""},
      {"/home/me/library/vst/Fluvia.so", ""},  // only a folder named exactly "lib" counts
      {"/usr/lib", ""},                         // the file itself is no folder
      {"usr/lib/vst/Fluvia.so", ""},            // relative: no prefix to speak of
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SharedFactoryPresetFolder(c.module), c.shared) << c.module;
}

// A system-wide install: the module below <prefix>/lib, the factory files in the shared folder.
class SharedFactoryPresets : public ::testing::Test {
 protected:
  void SetUp() override {
    shared_ = scratch_.Path() + "usr/share/fluvia/presets/";
    for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
      const std::string name = FactoryFileName(n);
      ScratchFolder::Write(shared_ + name,
                           ScratchFolder::Read(std::string(FLUVIA_FACTORY_PRESET_DIR) + "/" + name));
    }
  }
  static std::string FactoryFileName(int n) {
    const std::string relative = LibraryPresetRelativePath(n);
    return relative.substr(relative.find('/') + 1);
  }
  std::string Module() const { return scratch_.Path() + "usr/lib/vst/Fluvia.so"; }
  std::string Presets() const { return scratch_.Path() + "home/Documents/VelmoraAudio/Fluvia/Presets/"; }

  ScratchFolder scratch_;
  std::string shared_;
};

TEST_F(SharedFactoryPresets, FillTheUsersFolderAndKeepWhatTheUserChanged) {
  const PresetInstallReport first = InstallSharedFactoryPresets(Module(), Presets());
  EXPECT_TRUE(first.Succeeded());
  EXPECT_EQ(first.written.size(), 6u);
  EXPECT_TRUE(IsFolder(Presets() + "User"));
  EXPECT_EQ(ScratchFolder::Read(Presets() + "Factory/SFX - Shower.fluviapreset"),
            ScratchFolder::Read(shared_ + "SFX - Shower.fluviapreset"));

  // A newer package brings a changed factory file; the user had changed it too.
  ScratchFolder::Write(Presets() + "Factory/SFX - Shower.fluviapreset", "my shower");
  ScratchFolder::Write(shared_ + "SFX - Shower.fluviapreset", "new factory shower");
  const PresetInstallReport second = InstallSharedFactoryPresets(Module(), Presets());
  EXPECT_TRUE(second.written.empty());
  EXPECT_EQ(second.skipped, std::vector<std::string>{"Factory/SFX - Shower.fluviapreset"});
  EXPECT_EQ(ScratchFolder::Read(Presets() + "Factory/SFX - Shower.fluviapreset"), "my shower");
}

TEST_F(SharedFactoryPresets, WriteNothingWithoutAllSixOrOutsideASystemPrefix) {
  const std::string elsewhere = scratch_.Path() + "home/.vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so";
  EXPECT_TRUE(InstallSharedFactoryPresets(elsewhere, Presets()).written.empty());

  std::remove((shared_ + FactoryFileName(kWelcomePresetNumber)).c_str());
  std::string unreadable;
  EXPECT_FALSE(ReadFactoryPresetFolder(shared_, &unreadable).has_value());
  EXPECT_NE(unreadable.find("WLCM - The River Wild"), std::string::npos);
  const PresetInstallReport partial = InstallSharedFactoryPresets(Module(), Presets());
  EXPECT_TRUE(partial.written.empty());
  EXPECT_FALSE(ScratchFolder::Exists(Presets())) << "not even the folders";
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
