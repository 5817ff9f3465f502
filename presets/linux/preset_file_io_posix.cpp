// File operations of the preset library on POSIX systems.

#include <sys/stat.h>
#include <sys/types.h>

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
