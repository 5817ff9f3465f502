#include "presets/preset_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

constexpr std::string_view kDotExtension = ".fluviapreset";
constexpr std::string_view kSlotPrefix = "USR - Fluvia User Preset ";
constexpr int kMaxSuggestedNames = 10000;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualNames(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ignoreCase ? LowerAscii(a[i]) != LowerAscii(b[i]) : a[i] != b[i]) return false;
  }
  return true;
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FolderPartOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

// The user slot (7 to 106) a file name in the user folder is, or 0.
int SlotNumberOf(std::string_view fileName) {
  const bool ignoreCase = FileNamesIgnoreCase();
  const std::size_t digits = 3;
  if (fileName.size() != kSlotPrefix.size() + digits + kDotExtension.size()) return 0;
  if (!EqualNames(fileName.substr(0, kSlotPrefix.size()), kSlotPrefix, ignoreCase)) return 0;
  if (!EqualNames(fileName.substr(fileName.size() - kDotExtension.size()), kDotExtension,
                  ignoreCase)) {
    return 0;
  }
  int slot = 0;
  for (char c : fileName.substr(kSlotPrefix.size(), digits)) {
    if (!IsDigit(c)) return 0;
    slot = slot * 10 + (c - '0');
  }
  if (slot < 1 || slot > kUserBankCount * kUserBankSize) return 0;
  return kFirstUserPresetNumber + slot - 1;
}

CatalogueEntry MakeEntry(int number, PresetPlace place, const std::string& folder,
                         std::string fileName, std::string path) {
  CatalogueEntry entry;
  entry.number = number;
  entry.place = place;
  entry.name = PresetMenuName(fileName);
  entry.fileName = std::move(fileName);
  entry.path = path.empty() ? folder + kUserSubfolder + "/" + entry.fileName : std::move(path);
  return entry;
}

std::string_view StemOf(std::string_view fileName) {
  return HasPresetExtension(fileName) ? fileName.substr(0, fileName.size() - kDotExtension.size())
                                      : fileName;
}

// The order of the other user files: by name without the extension (so "Rain" comes before
// "Rain 2"), then by the whole file name.
bool FileNameLess(std::string_view a, std::string_view b) {
  const std::string_view stemA = StemOf(a), stemB = StemOf(b);
  if (PresetNameLess(stemA, stemB)) return true;
  if (PresetNameLess(stemB, stemA)) return false;
  return a < b;
}

// Number order for the fixed numbers; the other user files after them in name order.
bool EntryLess(const CatalogueEntry& a, const CatalogueEntry& b) {
  const bool aFile = a.place == PresetPlace::UserFile, bFile = b.place == PresetPlace::UserFile;
  if (aFile != bFile) return bFile;
  if (!aFile) return a.number < b.number;
  return FileNameLess(a.fileName, b.fileName);
}

}  // namespace

bool HasPresetExtension(std::string_view fileName) {
  return fileName.size() > kDotExtension.size() &&
         EqualNames(fileName.substr(fileName.size() - kDotExtension.size()), kDotExtension, true);
}

std::string PresetMenuName(std::string_view fileName) {
  std::string name = PresetDisplayName(fileName);
  for (char& c : name) {
    if ((static_cast<unsigned char>(c) < 0x20) || c == 0x7f) c = ' ';
  }
  return name;
}

bool PresetNameLess(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Compare the runs by value: without leading zeros, the longer run is larger.
      std::size_t ai = i, bj = j;
      while (ai < a.size() && a[ai] == '0') ++ai;
      while (bj < b.size() && b[bj] == '0') ++bj;
      std::size_t aEnd = ai, bEnd = bj;
      while (aEnd < a.size() && IsDigit(a[aEnd])) ++aEnd;
      while (bEnd < b.size() && IsDigit(b[bEnd])) ++bEnd;
      if (aEnd - ai != bEnd - bj) return aEnd - ai < bEnd - bj;
      const int order = a.substr(ai, aEnd - ai).compare(b.substr(bj, bEnd - bj));
      if (order != 0) return order < 0;
      i = aEnd;
      j = bEnd;
      continue;
    }
    const char ca = LowerAscii(a[i]), cb = LowerAscii(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    ++i;
    ++j;
  }
  if ((i < a.size()) != (j < b.size())) return j < b.size();
  return a < b;  // equal but for case or leading zeros
}

PresetCatalogue PresetCatalogue::Scan(const std::string& presetFolder) {
  PresetCatalogue catalogue(presetFolder);
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string path = LibraryPresetPath(presetFolder, n);
    if (!IsReadableFile(path, kMaxPresetFileBytes)) continue;
    catalogue.entries_.push_back(MakeEntry(
        n, n == kWelcomePresetNumber ? PresetPlace::Welcome : PresetPlace::Sfx, presetFolder,
        std::string(FileNameOf(path)), path));
  }

  bool more = false;
  const std::vector<std::string> names =
      ListFolder(presetFolder + kUserSubfolder, kMaxFolderEntries, more);
  catalogue.cutShort_ = more;
  std::vector<const std::string*> others;
  std::vector<bool> slotSeen(std::size_t(kLastPresetNumber + 1), false);
  for (const std::string& name : names) {
    // Hidden files, the library's own temporary files among them, are nobody's presets.
    if (name.empty() || name[0] == '.' || !HasPresetExtension(name)) continue;
    if (const int slot = SlotNumberOf(name)) {
      const std::string path = LibraryPresetPath(presetFolder, slot);
      if (slotSeen[std::size_t(slot)] || !IsReadableFile(path, kMaxPresetFileBytes)) continue;
      slotSeen[std::size_t(slot)] = true;
      catalogue.entries_.push_back(
          MakeEntry(slot, PresetPlace::UserSlot, presetFolder, LibraryPresetName(slot) +
                                                                   std::string(kDotExtension),
                    path));
      continue;
    }
    others.push_back(&name);
  }
  std::sort(others.begin(), others.end(),
            [](const std::string* a, const std::string* b) { return FileNameLess(*a, *b); });
  int listed = 0;
  for (std::size_t i = 0; i < others.size(); ++i) {
    if (listed == kMaxUserFiles) {
      catalogue.unlisted_ = int(others.size() - i);
      break;
    }
    const std::string path = presetFolder + kUserSubfolder + "/" + *others[i];
    if (!IsReadableFile(path, kMaxPresetFileBytes)) continue;
    catalogue.entries_.push_back(MakeEntry(0, PresetPlace::UserFile, presetFolder, *others[i], path));
    ++listed;
  }
  std::stable_sort(catalogue.entries_.begin(), catalogue.entries_.end(), EntryLess);
  catalogue.NumberUserFiles();
  return catalogue;
}

void PresetCatalogue::NumberUserFiles() {
  int next = kFirstUserFileNumber;
  for (CatalogueEntry& entry : entries_) {
    if (entry.place == PresetPlace::UserFile) entry.number = next++;
  }
}

const CatalogueEntry* PresetCatalogue::ByNumber(int number) const {
  for (const CatalogueEntry& entry : entries_) {
    if (entry.number == number) return &entry;
  }
  return nullptr;
}

const CatalogueEntry* PresetCatalogue::ByPath(const std::string& path) const {
  if (path.empty()) return nullptr;
  for (const CatalogueEntry& entry : entries_) {
    if (entry.path == path) return &entry;
  }
  const std::string_view fileName = FileNameOf(path);
  const std::string folder = FolderPartOf(path);
  const bool inUser = SamePath(folder, folder_ + kUserSubfolder);
  const bool inFactory = !inUser && SamePath(folder, folder_ + kFactorySubfolder);
  if (!inUser && !inFactory) return nullptr;
  for (const CatalogueEntry& entry : entries_) {
    const bool entryInUser = entry.place == PresetPlace::UserSlot || entry.place == PresetPlace::UserFile;
    if (entryInUser == inUser && EqualNames(entry.fileName, fileName, FileNamesIgnoreCase())) {
      return &entry;
    }
  }
  return nullptr;
}

int PresetCatalogue::IndexOf(const CatalogueEntry* entry) const {
  if (!entry || entries_.empty() || entry < &entries_.front() || entry > &entries_.back()) return -1;
  return int(entry - entries_.data());
}

int PresetCatalogue::InsertionIndex(int number, PresetPlace place, std::string_view fileName) const {
  CatalogueEntry probe;
  probe.number = number;
  probe.place = place;
  probe.fileName = std::string(fileName);
  const auto after = std::upper_bound(entries_.begin(), entries_.end(), probe, EntryLess);
  return int(after - entries_.begin());
}

const CatalogueEntry* PresetCatalogue::Add(const std::string& path) {
  if (const CatalogueEntry* known = ByPath(path)) return known;
  const std::string fileName(FileNameOf(path));
  if (fileName.empty() || fileName[0] == '.' || !HasPresetExtension(fileName)) return nullptr;
  const std::string folder = FolderPartOf(path);
  CatalogueEntry entry;
  if (SamePath(folder, folder_ + kUserSubfolder)) {
    if (const int slot = SlotNumberOf(fileName)) {
      entry = MakeEntry(slot, PresetPlace::UserSlot, folder_,
                        LibraryPresetName(slot) + std::string(kDotExtension),
                        LibraryPresetPath(folder_, slot));
    } else {
      entry = MakeEntry(0, PresetPlace::UserFile, folder_, fileName, "");
    }
  } else if (SamePath(folder, folder_ + kFactorySubfolder)) {
    int number = 0;
    for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber && !number; ++n) {
      if (EqualNames(FileNameOf(LibraryPresetRelativePath(n)), fileName, FileNamesIgnoreCase())) {
        number = n;
      }
    }
    if (!number) return nullptr;
    entry = MakeEntry(number, number == kWelcomePresetNumber ? PresetPlace::Welcome : PresetPlace::Sfx,
                      folder_, std::string(FileNameOf(LibraryPresetRelativePath(number))),
                      LibraryPresetPath(folder_, number));
  } else {
    return nullptr;
  }

  const std::string key = entry.fileName;
  const PresetPlace place = entry.place;
  const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry, EntryLess);
  entries_.insert(at, std::move(entry));
  NumberUserFiles();
  // The list of other files stays within its bound: the last one in name order leaves it.
  int files = 0;
  for (const CatalogueEntry& e : entries_) files += e.place == PresetPlace::UserFile;
  if (files > kMaxUserFiles) {
    entries_.pop_back();
    ++unlisted_;
  }
  for (const CatalogueEntry& e : entries_) {
    if (e.place == place && e.fileName == key) return &e;
  }
  return nullptr;
}

int PresetCatalogue::FirstFreeSlot() const {
  for (int n = kFirstUserPresetNumber; n <= kLastPresetNumber; ++n) {
    // An unreadable file still holds its slot: a save must not offer to replace it unasked.
    if (!ByNumber(n) && !PathExists(LibraryPresetPath(folder_, n))) return n;
  }
  return 0;
}

std::string PresetCatalogue::UserFolder() const { return folder_ + kUserSubfolder + "/"; }

std::string PresetCatalogue::SuggestedSavePath() const {
  if (const int slot = FirstFreeSlot()) return LibraryPresetPath(folder_, slot);
  for (int i = 1; i <= kMaxSuggestedNames; ++i) {
    const std::string path =
        UserFolder() + "My Preset " + std::to_string(i) + std::string(kDotExtension);
    if (!PathExists(path)) return path;
  }
  return UserFolder() + "My Preset" + std::string(kDotExtension);
}

}  // namespace fluvia
