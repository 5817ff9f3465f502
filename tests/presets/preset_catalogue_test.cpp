#include "presets/preset_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_library_impl.h"
#include "presets/preset_numbers.h"
#include "tests/presets/scratch_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fluvia {
namespace {

using testing::ScratchFolder;

constexpr const char* kPreset = "<AmpMainVolume>0.5</AmpMainVolume>";

struct Listed {
  int number;
  std::string name;
  PresetPlace place;
  bool operator==(const Listed& o) const {
    return number == o.number && name == o.name && place == o.place;
  }
};

void PrintTo(const Listed& l, std::ostream* os) { *os << l.number << " '" << l.name << "'"; }

std::vector<Listed> ListOf(const PresetCatalogue& catalogue) {
  std::vector<Listed> out;
  for (const CatalogueEntry& e : catalogue.Entries()) out.push_back({e.number, e.name, e.place});
  return out;
}

class PresetCatalogueTest : public ::testing::Test {
 protected:
  PresetCatalogueTest() : folder(scratch.Path() + "Presets/") {}
  void User(const std::string& name, const std::string& content = kPreset) {
    ScratchFolder::Write(folder + "User/" + name, content);
  }
  void Factory(int number) { ScratchFolder::Write(LibraryPresetPath(folder, number), kPreset); }

  ScratchFolder scratch;
  std::string folder;
};

TEST_F(PresetCatalogueTest, ListsWhatExistsInMenuOrderWithTheFixedNumbersKept) {
  Factory(1);
  Factory(3);
  User("USR - Fluvia User Preset 026.fluviapreset");
  User("USR - Fluvia User Preset 001.fluviapreset");
  User("USR - Fluvia User Preset 100.fluviapreset");
  User("Rain Test.fluviapreset");
  User("rain test 2.fluviapreset");
  User("Rain 10.fluviapreset");
  User("Rain 2.fluviapreset");
  User("Kaffee & Wasser \xE2\x9C\x93.fluviapreset");
  User("Tab\there.FLUVIAPRESET");
  User("USR - Fluvia User Preset 101.fluviapreset");  // no slot 101: just a name
  User("USR - Fluvia User Preset 1.fluviapreset");
  // Not presets, or not loadable: never listed.
  User("Notes");
  User("Other.txt");
  User(".hidden.fluviapreset");
  User(".fluviapreset");
  User(".fluviapreset-1f-0.tmp");
  User("Empty.fluviapreset", "");
  User("Huge.fluviapreset", std::string(kMaxPresetFileBytes + 1, ' '));
  std::filesystem::create_directories(folder + "User/Folder.fluviapreset");
  User("Folder.fluviapreset/Inside.fluviapreset");  // only the User folder itself counts
#ifndef _WIN32
  std::filesystem::create_symlink(folder + "User/gone", folder + "User/Dangling.fluviapreset");
  ::mkfifo((folder + "User/Pipe.fluviapreset").c_str(), 0600);
#endif

  const PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  const std::vector<Listed> expected = {
      {1, "WLCM - The River Wild", PresetPlace::Welcome},
      {3, "SFX - Shower", PresetPlace::Sfx},
      {7, "USR - Fluvia User Preset 001", PresetPlace::UserSlot},
      {32, "USR - Fluvia User Preset 026", PresetPlace::UserSlot},
      {106, "USR - Fluvia User Preset 100", PresetPlace::UserSlot},
      // The other files by name: case aside, numbers by value.
      {107, "Kaffee & Wasser \xE2\x9C\x93", PresetPlace::UserFile},
      {108, "Rain 2", PresetPlace::UserFile},
      {109, "Rain 10", PresetPlace::UserFile},
      {110, "Rain Test", PresetPlace::UserFile},
      {111, "rain test 2", PresetPlace::UserFile},
      {112, "Tab here", PresetPlace::UserFile},  // a tab shows as a space
      {113, "USR - Fluvia User Preset 1", PresetPlace::UserFile},
      {114, "USR - Fluvia User Preset 101", PresetPlace::UserFile},
  };
  EXPECT_EQ(ListOf(catalogue), expected);
  EXPECT_EQ(catalogue.UnlistedUserFiles(), 0);

  // Slots and factory presets are the same files their numbers always named.
  for (int n : {1, 3, 7, 32, 106}) {
    ASSERT_NE(catalogue.ByNumber(n), nullptr) << n;
    EXPECT_EQ(catalogue.ByNumber(n)->path, LibraryPresetPath(folder, n)) << n;
  }
  EXPECT_EQ(catalogue.ByNumber(110)->path, folder + "User/Rain Test.fluviapreset");
  EXPECT_EQ(catalogue.ByNumber(2), nullptr);
  EXPECT_EQ(catalogue.ByNumber(8), nullptr);
  EXPECT_EQ(catalogue.ByNumber(115), nullptr);
  EXPECT_EQ(catalogue.FirstFreeSlot(), 8);

  // A path spelt differently names the same entry.
  EXPECT_EQ(catalogue.ByPath(folder + "User//Rain Test.fluviapreset"), catalogue.ByNumber(110));
  EXPECT_EQ(catalogue.ByPath(folder + "Factory/../User/Rain 2.fluviapreset"),
            catalogue.ByNumber(108));
  EXPECT_EQ(catalogue.ByPath(scratch.File("Rain Test.fluviapreset")), nullptr);
}

TEST_F(PresetCatalogueTest, AnEmptyOrMissingUserFolderListsTheFactoryPresetsAlone) {
  EXPECT_TRUE(PresetCatalogue::Scan(folder).Entries().empty());
  for (int n = 1; n <= 6; ++n) Factory(n);
  EXPECT_EQ(PresetCatalogue::Scan(folder).Entries().size(), 6u);
  std::filesystem::create_directories(folder + "User");
  const PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  EXPECT_EQ(catalogue.Entries().size(), 6u);
  EXPECT_EQ(catalogue.FirstFreeSlot(), kFirstUserPresetNumber);
  EXPECT_EQ(catalogue.SuggestedSavePath(), LibraryPresetPath(folder, 7));
}

TEST_F(PresetCatalogueTest, ThousandsOfFilesListTheFirst500ByNameAndCountTheRest) {
  std::filesystem::create_directories(folder + "User");
  for (int i = 0; i < 3000; ++i) User("Drop " + std::to_string(i) + ".fluviapreset");
  const PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  ASSERT_EQ(catalogue.Entries().size(), size_t(PresetCatalogue::kMaxUserFiles));
  EXPECT_EQ(catalogue.Entries().front().name, "Drop 0");
  EXPECT_EQ(catalogue.Entries().back().name, "Drop 499");
  EXPECT_EQ(catalogue.Entries().back().number, 606);
  EXPECT_EQ(catalogue.UnlistedUserFiles(), 2500);
  EXPECT_FALSE(catalogue.FolderCutShort());

  // A saved file sorts in at once; the list keeps its length.
  PresetCatalogue copy = catalogue;
  User("Drop 10a.fluviapreset");
  const CatalogueEntry* added = copy.Add(folder + "User/Drop 10a.fluviapreset");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->number, 118);  // after Drop 0 ... Drop 10
  EXPECT_EQ(copy.ByNumber(119)->name, "Drop 11");
  EXPECT_EQ(copy.Entries().size(), size_t(PresetCatalogue::kMaxUserFiles));
  EXPECT_EQ(copy.Entries().back().name, "Drop 498");
  EXPECT_EQ(copy.UnlistedUserFiles(), 2501);
}

TEST_F(PresetCatalogueTest, AFolderBeyondTheReadBoundIsCutShortAndSaysSo) {
  std::filesystem::create_directories(folder + "User");
  for (size_t i = 0; i <= PresetCatalogue::kMaxFolderEntries; ++i) {
    User("x" + std::to_string(i), "");  // not presets: only the count matters
  }
  const PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  EXPECT_TRUE(catalogue.FolderCutShort());
  EXPECT_TRUE(catalogue.Entries().empty());
}

TEST_F(PresetCatalogueTest, SavedFilesJoinTheLibraryOnlyWhereItLooks) {
  Factory(1);
  PresetCatalogue catalogue = PresetCatalogue::Scan(folder);
  User("USR - Fluvia User Preset 010.fluviapreset");
  User("Beta.fluviapreset");
  User("Alpha.fluviapreset");
  EXPECT_EQ(catalogue.Add(folder + "User/USR - Fluvia User Preset 010.fluviapreset")->number, 16);
  EXPECT_EQ(catalogue.Add(folder + "User/Beta.fluviapreset")->number, 107);
  EXPECT_EQ(catalogue.Add(folder + "User/Alpha.fluviapreset")->number, 107);
  EXPECT_EQ(catalogue.ByNumber(108)->name, "Beta");
  // Saving a listed file again adds nothing.
  EXPECT_EQ(catalogue.Add(folder + "User/Beta.fluviapreset")->number, 108);
  EXPECT_EQ(catalogue.Entries().size(), 4u);
  EXPECT_EQ(catalogue.Add(scratch.File("Desktop.fluviapreset")), nullptr);
  EXPECT_EQ(catalogue.Add(folder + "User/notes.txt"), nullptr);

  // Where a vanished preset stood: between its neighbours in menu order.
  EXPECT_EQ(catalogue.InsertionIndex(20, PresetPlace::UserSlot, ""), 2);
  EXPECT_EQ(catalogue.InsertionIndex(107, PresetPlace::UserFile, "Alpine.fluviapreset"), 3);
  EXPECT_EQ(catalogue.InsertionIndex(0, PresetPlace::UserFile, "Zulu.fluviapreset"), 4);
}

TEST_F(PresetCatalogueTest, TheSaveSuggestionIsTheFirstFreeSlotThenAFreshName) {
  for (int n = kFirstUserPresetNumber; n <= kLastPresetNumber; ++n) {
    if (n != 50) ScratchFolder::Write(LibraryPresetPath(folder, n), kPreset);
  }
  std::string file, directory;
  SuggestPresetSave(folder, file, directory);
  EXPECT_EQ(file, LibraryPresetPath(folder, 50));
  EXPECT_EQ(directory, folder + "User");

  ScratchFolder::Write(LibraryPresetPath(folder, 50), "");  // unreadable, but there
  ScratchFolder::Write(folder + "User/My Preset 1.fluviapreset", kPreset);
  SuggestPresetSave(folder, file, directory);
  EXPECT_EQ(file, folder + "User/My Preset 2.fluviapreset");

  // Without a User folder the suggestion makes it, so the dialog can open there.
  const std::string fresh = scratch.Path() + "Fresh/Presets/";
  SuggestPresetSave(fresh, file, directory);
  EXPECT_TRUE(std::filesystem::is_directory(fresh + "User"));
  EXPECT_EQ(file, LibraryPresetPath(fresh, 7));
}

TEST(PresetSaveTarget, OneExtensionWhateverIsTypedAndNamesThatCannotBeSavedAreRefused) {
  using Problem = PresetSaveTarget::Problem;
  const std::string hundred(kMaxPresetNameBytes, 'a');
  const struct {
    std::string chosen;
    std::string path;
    Problem problem;
  } cases[] = {
      {"/u/Rain Test", "/u/Rain Test.fluviapreset", Problem::None},
      {"/u/Rain Test.fluviapreset", "/u/Rain Test.fluviapreset", Problem::None},
      {"/u/Rain Test.fluviapreset.fluviapreset", "/u/Rain Test.fluviapreset", Problem::None},
      {"/u/Rain Test.FLUVIAPRESET", "/u/Rain Test.FLUVIAPRESET", Problem::None},
      {"/u/Rain Test.fluviapreset ", "/u/Rain Test.fluviapreset", Problem::None},
      {"/u/My.Stream", "/u/My.Stream.fluviapreset", Problem::None},
      {"/u/Rain.", "/u/Rain.fluviapreset", Problem::None},
      {"C:\\U\\Rain", "C:\\U\\Rain.fluviapreset", Problem::None},
      {"/u/" + hundred, "/u/" + hundred + ".fluviapreset", Problem::None},
      {"/u/" + hundred + "b.fluviapreset", "", Problem::NameTooLong},
      {"/u/.fluviapreset", "", Problem::NoName},
      {"/u/.fluviapreset.fluviapreset", "", Problem::NoName},
      {"/u/   ", "", Problem::NoName},
      {"/u/", "", Problem::NoName},
      {"", "", Problem::Cancelled},
  };
  for (const auto& c : cases) {
    const PresetSaveTarget target = PresetSaveTargetFor(c.chosen);
    EXPECT_EQ(target.problem, c.problem) << c.chosen;
    EXPECT_EQ(target.path, c.path) << c.chosen;
  }
}

TEST(PresetNames, OrderIsByLettersThenNumbersByValueAndTotal) {
  const std::vector<std::string> sorted = {"a",      "A 1",   "a 2",    "A 10",  "a10b",
                                           "Rain",   "rain",  "Rain 01", "Rain 1", "Rain 9",
                                           "Rain 10", "rainy", "\xC3\xA4"};
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_TRUE(PresetNameLess(sorted[i], sorted[i + 1])) << sorted[i] << " < " << sorted[i + 1];
    EXPECT_FALSE(PresetNameLess(sorted[i + 1], sorted[i])) << sorted[i + 1];
  }
  EXPECT_FALSE(PresetNameLess("same", "same"));
}

}  // namespace
}  // namespace fluvia
