// The editor settings file: where it lives, what a damaged one means, and writers that race.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "presets/editor_settings.h"
#include "presets/preset_file_io.h"
#include "presets/settings_file.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia {
namespace {

using testing::ScratchFolder;

TEST(EditorSettings, TheFileLivesBesideThePresetFolder) {
  EXPECT_EQ(EditorSettingsFileFor("/home/ana/Documents/VelmoraAudio/Fluvia/Presets/"),
            "/home/ana/Documents/VelmoraAudio/Fluvia/Settings.txt");
  EXPECT_EQ(EditorSettingsFileFor("C:\\Users\\Public\\Documents\\VelmoraAudio\\Fluvia\\Presets"),
            "C:\\Users\\Public\\Documents\\VelmoraAudio\\Fluvia\\Settings.txt");
  EXPECT_EQ(EditorSettingsFileFor(""), "Settings.txt");
}

TEST(EditorSettings, LinesThatDoNotParseAreNotSet) {
  struct Case {
    const char* text;
    std::optional<ArtworkSet> size;
    std::optional<double> scale;
  };
  const Case cases[] = {
      {"EditorSize=Small\n", ArtworkSet::Small, {}},
      {" EditorSize = Large \r\nEditorScale=1.5\r\n", ArtworkSet::Large, 1.5},
      {"EditorSize=small\nEditorSize=\nEditorSize\n", {}, {}},  // names are exact
      {"EditorScale=2x\nEditorScale=0.5\nEditorScale=nan\nEditorScale=9\n", {}, {}},
      {"EditorScale=2\n# comment\nOther=1\nEditorSize=Small", ArtworkSet::Small, 2.0},
      {"\xff\xfe\x00\x01", {}, {}},
      {"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const EditorSettings settings = ParseEditorSettings(c.text);
    EXPECT_EQ(settings.size, c.size);
    EXPECT_EQ(settings.scale, c.scale);
  }
}

TEST(EditorSettings, SavingReplacesTheSizeAndKeepsOtherLines) {
  ScratchFolder folder;
  const std::string path = folder.File("Fluvia/Settings.txt");  // the folder is made
  ASSERT_TRUE(SaveEditorSize(path, ArtworkSet::Small));
  ScratchFolder::Write(path, "EditorScale=2\nEditorSize=Small\nEditorSize=Large\n");
  ASSERT_TRUE(SaveEditorSize(path, ArtworkSet::Large));
  EXPECT_EQ(*ReadSmallFile(path, 1000), "EditorScale=2\nEditorSize=Large\n");
  EXPECT_FALSE(SaveEditorSize(folder.File("Fluvia/Settings.txt/inside"), ArtworkSet::Small));
}

TEST(SettingsFile, EachWriterReplacesOnlyItsOwnKeys) {
  ScratchFolder folder;
  const std::string path = folder.File("Settings.txt");
  ASSERT_TRUE(UpdateSettingsFile(path, {{"AudioDevice", "system"}, {"SampleRate", "48000"}}));
  ASSERT_TRUE(SaveEditorSize(path, ArtworkSet::Small));
  ASSERT_TRUE(UpdateSettingsFile(path, {{"SampleRate", "44100"}, {"MidiInput", "a=b"}}));
  const std::string text = ScratchFolder::Read(path);
  EXPECT_EQ(text, "AudioDevice=system\nEditorSize=Small\nSampleRate=44100\nMidiInput=a=b\n");
  EXPECT_EQ(SettingValue(text, "MidiInput"), "a=b");
  EXPECT_EQ(ReadEditorSettings(path).size, ArtworkSet::Small);
  // An empty value removes the key.
  ASSERT_TRUE(UpdateSettingsFile(path, {{"AudioDevice", ""}}));
  EXPECT_FALSE(SettingValue(ScratchFolder::Read(path), "AudioDevice").has_value());
}

TEST(SettingsFile, AFileThatIsNotSettingsIsNeverReplaced) {
  ScratchFolder folder;
  const std::string path = folder.File("Settings.txt");
  // Far larger than a settings file: somebody's data, not ours to overwrite.
  const std::string large(kMaxSettingsFileBytes + 1, 'x');
  ScratchFolder::Write(path, large);
  EXPECT_EQ(ReadSettingsFile(path).state, SettingsFileState::Unreadable);
  EXPECT_FALSE(ReadEditorSettings(path).size.has_value());
  EXPECT_FALSE(SaveEditorSize(path, ArtworkSet::Small));
  EXPECT_FALSE(UpdateSettingsFile(path, {{"SampleRate", "48000"}}));
  EXPECT_EQ(ScratchFolder::Read(path), large);
  // A folder in its place stays a folder.
  const std::string folderPath = folder.File("Other/Settings.txt");
  std::filesystem::create_directories(folderPath);
  EXPECT_EQ(ReadSettingsFile(folderPath).state, SettingsFileState::Unreadable);
  EXPECT_FALSE(UpdateSettingsFile(folderPath, {{"SampleRate", "48000"}}));
  EXPECT_TRUE(std::filesystem::is_directory(folderPath));
  EXPECT_EQ(ReadSettingsFile(folder.File("Missing.txt")).state, SettingsFileState::Missing);
}

TEST(EditorSettings, InstancesSavingAtOnceLeaveAValidFile) {
  ScratchFolder folder;
  const std::string path = folder.File("Settings.txt");
  ASSERT_TRUE(SaveEditorSize(path, ArtworkSet::Large));
  std::atomic<bool> done{false};
  std::atomic<int> invalid{0};
  std::thread reader([&] {
    while (!done) {
      if (!ReadEditorSettings(path).size) ++invalid;
    }
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < 200; ++i) {
        SaveEditorSize(path, (i + w) % 2 ? ArtworkSet::Small : ArtworkSet::Large);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  done = true;
  reader.join();
  EXPECT_EQ(invalid, 0);
  EXPECT_TRUE(ReadEditorSettings(path).size.has_value());
  // No temporary files left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace fluvia
