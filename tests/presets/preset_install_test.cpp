#include "presets/preset_install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "presets/factory_preset_record.h"
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

// An earlier version laid other factory files; the person worked with some of them.
TEST(PresetInstall, ReplacesOnlyTheEarlierFactoryFilesThePersonNeverChanged) {
  const std::vector<PresetFileData> earlier = {
      {"Factory/SFX - Shower.fluviapreset", "shower 1"},
      {"Factory/SFX - Waterfall.fluviapreset", "waterfall 1"},
      {"Factory/SFX - Waterfall.fluviapreset", "waterfall 0"},  // two versions back
      {"Factory/SFX - Light Rain.fluviapreset", "light rain 1"},
  };
  ScratchFolder scratch;
  const std::string folder = scratch.Path() + "Presets/";
  const std::string factory = folder + "Factory/";
  ScratchFolder::Write(factory + "SFX - Shower.fluviapreset", "shower 1");
  ScratchFolder::Write(factory + "SFX - Waterfall.fluviapreset", "waterfall 0");
  // The person saved the earlier shower's sound under the light rain's name: their choice.
  ScratchFolder::Write(factory + "SFX - Light Rain.fluviapreset", "shower 1");
  // Heavy rain was deleted. A user preset and a file of the person's own name in Factory hold
  // an earlier factory content too.
  ScratchFolder::Write(folder + "User/USR - Fluvia User Preset 001.fluviapreset", "shower 1");
  ScratchFolder::Write(factory + "My Shower.fluviapreset", "shower 1");

  const PresetInstallReport report = InstallPresets(folder, kFiles, earlier);
  EXPECT_TRUE(report.Succeeded());
  EXPECT_EQ(report.updated, (std::vector<std::string>{"Factory/SFX - Shower.fluviapreset",
                                                      "Factory/SFX - Waterfall.fluviapreset"}));
  EXPECT_EQ(report.skipped, std::vector<std::string>{"Factory/SFX - Light Rain.fluviapreset"});
  EXPECT_EQ(report.written, std::vector<std::string>{"Factory/SFX - Heavy Rain.fluviapreset"});
  EXPECT_EQ(ScratchFolder::Read(factory + "SFX - Shower.fluviapreset"), "shower");
  EXPECT_EQ(ScratchFolder::Read(factory + "SFX - Waterfall.fluviapreset"), "waterfall");
  EXPECT_EQ(ScratchFolder::Read(factory + "SFX - Light Rain.fluviapreset"), "shower 1");
  EXPECT_EQ(ScratchFolder::Read(factory + "SFX - Heavy Rain.fluviapreset"), "heavy rain");
  EXPECT_EQ(ScratchFolder::Read(folder + "User/USR - Fluvia User Preset 001.fluviapreset"),
            "shower 1");
  EXPECT_EQ(ScratchFolder::Read(factory + "My Shower.fluviapreset"), "shower 1");
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

std::string FactoryFileName(int n) {
  const std::string relative = LibraryPresetRelativePath(n);
  return relative.substr(relative.find('/') + 1);
}

// The factory files of the source tree: this version's, or an earlier version's record.
std::string SourceFactoryFile(const std::string& name, const std::string& version = "") {
  const std::string folder = std::string(FLUVIA_FACTORY_PRESET_DIR) +
                             (version.empty() ? "" : "/earlier/" + version);
  return ScratchFolder::Read(folder + "/" + name);
}

// A system-wide install: the module below <prefix>/lib, the factory files in the shared folder.
class SharedFactoryPresets : public ::testing::Test {
 protected:
  void SetUp() override { ShipVersion(""); }
  // The shared folder as the package of that version fills it ("": this version).
  void ShipVersion(const std::string& version) {
    for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
      const std::string name = FactoryFileName(n);
      ScratchFolder::Write(shared_ + name, SourceFactoryFile(name, version));
    }
  }
  PresetInstallReport FirstInstance() {
    return InstallSharedFactoryPresets(Module(), Presets(), EarlierFactoryPresets());
  }
  std::string Module() const { return scratch_.Path() + "usr/lib/vst/Fluvia.so"; }
  std::string Presets() const { return scratch_.Path() + "home/Documents/VelmoraAudio/Fluvia/Presets/"; }
  std::string Installed(const std::string& name) const {
    return ScratchFolder::Read(Presets() + "Factory/" + name);
  }

  ScratchFolder scratch_;
  std::string shared_ = scratch_.Path() + "usr/share/fluvia/presets/";
};

TEST_F(SharedFactoryPresets, FillTheUsersFolderOncePerSet) {
  const PresetInstallReport first = FirstInstance();
  EXPECT_TRUE(first.Succeeded());
  EXPECT_FALSE(first.alreadyLaid);
  EXPECT_EQ(first.written.size(), 6u);
  EXPECT_TRUE(IsFolder(Presets() + "User"));
  EXPECT_EQ(Installed("SFX - Shower.fluviapreset"),
            ScratchFolder::Read(shared_ + "SFX - Shower.fluviapreset"));

  // The person deletes a factory preset: the next host's first instance leaves it deleted.
  std::remove((Presets() + "Factory/SFX - Waterfall.fluviapreset").c_str());
  const PresetInstallReport second = FirstInstance();
  EXPECT_TRUE(second.alreadyLaid);
  EXPECT_TRUE(second.written.empty());
  EXPECT_FALSE(ScratchFolder::Exists(Presets() + "Factory/SFX - Waterfall.fluviapreset"));
}

// The person used the previous version, then the package is upgraded to this one.
TEST_F(SharedFactoryPresets, AnUpgradeReplacesTheFactoryPresetsThePersonNeverChanged) {
  ShipVersion("1.0.2");
  ASSERT_EQ(FirstInstance().written.size(), 6u);
  ScratchFolder::Write(Presets() + "Factory/SFX - Shower.fluviapreset", "my shower");
  std::remove((Presets() + "Factory/SFX - Light Rain.fluviapreset").c_str());
  const std::string user = Presets() + "User/USR - Fluvia User Preset 001.fluviapreset";
  ScratchFolder::Write(user, SourceFactoryFile("SFX - Faucet Water.fluviapreset", "1.0.2"));

  ShipVersion("");
  const PresetInstallReport upgrade = FirstInstance();
  EXPECT_TRUE(upgrade.Succeeded());
  EXPECT_FALSE(upgrade.alreadyLaid);
  EXPECT_EQ(upgrade.skipped, std::vector<std::string>{"Factory/SFX - Shower.fluviapreset"});
  EXPECT_EQ(Installed("SFX - Shower.fluviapreset"), "my shower");
  // Deleted under the earlier version: back in this version's sound.
  EXPECT_EQ(upgrade.written, std::vector<std::string>{"Factory/SFX - Light Rain.fluviapreset"});
  // Every other file is this version's now: replaced where the versions differ.
  std::vector<std::string> expectUpdated;
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string name = FactoryFileName(n);
    if (name == "SFX - Shower.fluviapreset") continue;
    EXPECT_EQ(Installed(name), SourceFactoryFile(name)) << name;
    if (name != "SFX - Light Rain.fluviapreset" &&
        SourceFactoryFile(name, "1.0.2") != SourceFactoryFile(name)) {
      expectUpdated.push_back("Factory/" + name);
    }
  }
  EXPECT_FALSE(expectUpdated.empty()) << "this version changes a factory preset of 1.0.2";
  std::sort(expectUpdated.begin(), expectUpdated.end());
  std::vector<std::string> updated = upgrade.updated;
  std::sort(updated.begin(), updated.end());
  EXPECT_EQ(updated, expectUpdated);
  // A user preset is never touched, whatever it holds.
  EXPECT_EQ(ScratchFolder::Read(user), SourceFactoryFile("SFX - Faucet Water.fluviapreset", "1.0.2"));
  EXPECT_TRUE(FirstInstance().alreadyLaid);
}

TEST_F(SharedFactoryPresets, WriteNothingWithoutAllSixOrOutsideASystemPrefix) {
  const std::string elsewhere = scratch_.Path() + "home/.vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so";
  EXPECT_TRUE(InstallSharedFactoryPresets(elsewhere, Presets(), {}).written.empty());

  std::remove((shared_ + FactoryFileName(kWelcomePresetNumber)).c_str());
  std::string unreadable;
  EXPECT_FALSE(ReadFactoryPresetFolder(shared_, &unreadable).has_value());
  EXPECT_NE(unreadable.find("WLCM - The River Wild"), std::string::npos);
  const PresetInstallReport partial = FirstInstance();
  EXPECT_TRUE(partial.written.empty());
  EXPECT_FALSE(ScratchFolder::Exists(Presets())) << "not even the folders";
}

// The copies built into the programs are the source tree's files: this version's six, and
// every earlier version's file that this version replaces, each once.
TEST(FactoryPresetRecord, IsTheSourceTreesFactoryFiles) {
  const auto builtIn = BuiltInFactoryPresets();
  ASSERT_TRUE(builtIn.has_value());
  const auto source = ReadFactoryPresetFolder(FLUVIA_FACTORY_PRESET_DIR);
  ASSERT_TRUE(source.has_value());
  ASSERT_EQ(builtIn->size(), source->size());
  for (size_t i = 0; i < source->size(); ++i) {
    EXPECT_EQ((*builtIn)[i].relativePath, (*source)[i].relativePath);
    EXPECT_EQ((*builtIn)[i].content, (*source)[i].content) << (*source)[i].relativePath;
  }

  std::vector<std::pair<std::string, std::string>> expected;
  namespace fs = std::filesystem;
  for (const auto& version : fs::directory_iterator(fs::path(FLUVIA_FACTORY_PRESET_DIR) / "earlier")) {
    for (const auto& file : fs::directory_iterator(version.path())) {
      const std::string name = file.path().filename().string();
      const std::string content = ScratchFolder::Read(file.path().string());
      const auto entry = std::make_pair("Factory/" + name, content);
      if (content != SourceFactoryFile(name) &&
          std::find(expected.begin(), expected.end(), entry) == expected.end()) {
        expected.push_back(entry);
      }
    }
  }
  std::vector<std::pair<std::string, std::string>> record;
  for (const PresetFileData& file : EarlierFactoryPresets()) {
    record.emplace_back(file.relativePath, file.content);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(record.begin(), record.end());
  EXPECT_FALSE(record.empty());
  EXPECT_EQ(record, expected);
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
