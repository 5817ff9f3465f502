#pragma once
// The preset library as it stands on disk: the factory presets and the user slots whose files
// exist and can be read, then every other preset file in the user folder, in name order. This
// is what the preset menu lists and what the previous / next buttons step through.
//
// Numbers: 1 to 106 keep naming the same files as ever (the welcome preset, the five sound
// effects, the user slots 001 to 100); the other user files get 107, 108, ... in name order,
// so their numbers move when files are added or removed.
//
// Bounds, so that a user folder with thousands of files keeps the menu usable and the scan
// short: at most kMaxFolderEntries entries of the user folder are read, and of the other
// preset files the first kMaxUserFiles in name order are listed (the rest still open with
// the load button). Scanning reads the folders only and takes no lock: it may run on any
// thread.

#include <string>
#include <string_view>
#include <vector>

namespace fluvia {

enum class PresetPlace { Welcome, Sfx, UserSlot, UserFile };

struct CatalogueEntry {
  int number = 0;
  std::string name;      // the menu text and the name the editor shows
  std::string fileName;  // the file's name in its folder, with the extension
  std::string path;      // the preset folder followed by the file's relative path
  PresetPlace place = PresetPlace::Welcome;
};

class PresetCatalogue {
 public:
  static constexpr int kMaxUserFiles = 500;
  static constexpr std::size_t kMaxFolderEntries = 10000;
  static constexpr int kFirstUserFileNumber = 107;

  PresetCatalogue() = default;
  // An empty catalogue of a folder (nothing scanned yet).
  explicit PresetCatalogue(std::string presetFolder) : folder_(std::move(presetFolder)) {}
  // presetFolder ends in a separator (PresetFolder()).
  static PresetCatalogue Scan(const std::string& presetFolder);

  const std::string& Folder() const { return folder_; }
  // In menu order, which is number order.
  const std::vector<CatalogueEntry>& Entries() const { return entries_; }
  const CatalogueEntry* ByNumber(int number) const;
  // The entry of the file a path names (however the path is spelt), or null.
  const CatalogueEntry* ByPath(const std::string& path) const;
  // Position in Entries(), or -1.
  int IndexOf(const CatalogueEntry* entry) const;
  // Other preset files in the user folder beyond the listed ones (and, when the folder held
  // more than kMaxFolderEntries entries, a sign that there may be more still).
  int UnlistedUserFiles() const { return unlisted_; }
  bool FolderCutShort() const { return cutShort_; }

  // A file just written: when it belongs to the library (a factory file, a slot or another
  // preset file directly in the user folder) it is listed from now on, without a new scan.
  // Returns its entry, or null.
  const CatalogueEntry* Add(const std::string& path);

  // Where a preset would stand in menu order: the position of the first entry after it.
  // `fileName` decides among the other user files.
  int InsertionIndex(int number, PresetPlace place, std::string_view fileName) const;

  // The first user slot without a file (7 to 106), or 0 when every slot holds one.
  int FirstFreeSlot() const;
  // The file a save should suggest: the first free slot, else the first "My Preset N" that
  // does not exist. A full path in the user folder.
  std::string SuggestedSavePath() const;
  std::string UserFolder() const;

 private:
  void NumberUserFiles();

  std::string folder_;
  std::vector<CatalogueEntry> entries_;
  int unlisted_ = 0;
  bool cutShort_ = false;
};

// Menu and display text for a preset file name: no extension, cut to 35 characters, control
// characters (line breaks, tabs) shown as spaces.
std::string PresetMenuName(std::string_view fileName);

// The order of the other user files: letters without regard to case, runs of digits by their
// value ("Rain 2" before "Rain 10"), then byte order, so the order is total.
bool PresetNameLess(std::string_view a, std::string_view b);

// Whether a file name has the preset extension (in any case) and a name before it.
bool HasPresetExtension(std::string_view fileName);

}  // namespace fluvia
