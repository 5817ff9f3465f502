#include "presets/preset_file_io.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/presets/file_limit.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia {
namespace {

using testing::ScratchFolder;

TEST(PresetFileIo, ReadsWholeSmallFilesOnly) {
  ScratchFolder scratch;
  const std::string path = scratch.File("Preset \xE2\x98\x83.fluviapreset");
  ScratchFolder::Write(path, std::string("a\0b\r\nc", 6));
  EXPECT_EQ(ReadSmallFile(path, 100), std::string("a\0b\r\nc", 6));
  EXPECT_EQ(ReadSmallFile(path, 6), std::string("a\0b\r\nc", 6));
  EXPECT_FALSE(ReadSmallFile(path, 5).has_value());

  ScratchFolder::Write(scratch.File("big"), std::string(kMaxPresetFileBytes + 1, 'x'));
  EXPECT_FALSE(ReadSmallFile(scratch.File("big"), kMaxPresetFileBytes).has_value());

  ScratchFolder::Write(scratch.File("empty"), "");
  EXPECT_EQ(ReadSmallFile(scratch.File("empty"), 10), "");

  EXPECT_FALSE(ReadSmallFile(scratch.File("missing"), 10).has_value());
  EXPECT_FALSE(ReadSmallFile(scratch.Path(), 10).has_value());  // a folder
#ifndef _WIN32
  // A pipe nobody writes to would block the read (and the audio waiting on the mutex).
  ASSERT_EQ(mkfifo(scratch.File("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadSmallFile(scratch.File("pipe"), 10).has_value());
  EXPECT_FALSE(ReadSmallFile("/dev/zero", 10).has_value());
#endif
  EXPECT_FALSE(ReadSmallFile("", 10).has_value());
}

TEST(PresetFileIo, WritingReplacesTheFileAndLeavesNoTemporaryFile) {
  ScratchFolder scratch;
  const std::string path = scratch.File("My Preset.fluviapreset");
  ASSERT_TRUE(WriteFileReplacing(path, "first"));
  ASSERT_TRUE(WriteFileReplacing(path, "second, longer"));
  ASSERT_TRUE(WriteFileReplacing(path, "3rd"));
  EXPECT_EQ(ScratchFolder::Read(path), "3rd");
  EXPECT_EQ(scratch.EntryCount(), 1u);
}

TEST(PresetFileIo, FailedWritesLeaveTheOldFileAndNoTemporaryFile) {
  ScratchFolder scratch;
  const std::string path = scratch.File("Keep.fluviapreset");
  ScratchFolder::Write(path, "old content");

  EXPECT_FALSE(WriteFileReplacing(scratch.File("no such folder/x.fluviapreset"), "new"));
  EXPECT_FALSE(WriteFileReplacing("", "new"));
  // A folder in the way of the target: the rename fails after a complete write.
  std::filesystem::create_directory(scratch.File("Folder.fluviapreset"));
  EXPECT_FALSE(WriteFileReplacing(scratch.File("Folder.fluviapreset"), "new"));
  EXPECT_TRUE(std::filesystem::is_directory(scratch.File("Folder.fluviapreset")));
#ifndef _WIN32
  {
    testing::FileSizeLimit diskFull(4);  // the write breaks off after four bytes
    EXPECT_FALSE(WriteFileReplacing(path, "new content that does not fit"));
  }
#endif
  EXPECT_EQ(ScratchFolder::Read(path), "old content");
  EXPECT_EQ(scratch.EntryCount(), 2u);  // the old file and the folder, nothing else
}

TEST(PresetFileIo, MakeFoldersCreatesMissingLevels) {
  ScratchFolder scratch;
  const std::string deep = scratch.Path() + "a b/\xC3\xA9t\xC3\xA9/c";
  EXPECT_FALSE(IsFolder(deep));
  EXPECT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(IsFolder(deep));
  EXPECT_TRUE(MakeFolders(deep + "/"));  // existing, with a final separator
  ScratchFolder::Write(scratch.File("file"), "x");
  EXPECT_FALSE(MakeFolders(scratch.File("file")));
  EXPECT_FALSE(MakeFolders(scratch.File("file") + "/below"));
  EXPECT_FALSE(MakeFolders(""));
}

}  // namespace
}  // namespace fluvia
