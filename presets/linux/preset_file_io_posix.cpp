// File operations of the preset library on POSIX systems.

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "presets/preset_file_io.h"

namespace fluvia {

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  // rename replaces the target atomically: readers see the old file or the new one.
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool IsReadableFile(const std::string& path, std::size_t maxBytes) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size <= 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) return false;
  return ::access(path.c_str(), R_OK) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder, std::size_t maxEntries,
                                    bool& more) {
  more = false;
  std::vector<std::string> names;
  DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (names.size() >= maxEntries) {
      more = true;
      break;
    }
    names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool SamePath(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  if (!a.empty() && !b.empty() && ::stat(a.c_str(), &first) == 0 &&
      ::stat(b.c_str(), &second) == 0) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  return a == b;
}

bool FileNamesIgnoreCase() { return false; }

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  // Create each level in turn; a level that already exists is fine when it is a folder.
  for (std::size_t pos = path.find('/', 1); ; pos = path.find('/', pos + 1)) {
    const std::string level = path.substr(0, pos);
    if (!level.empty() && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  return IsFolder(path);
}

}  // namespace fluvia
