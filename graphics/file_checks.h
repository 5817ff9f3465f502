#pragma once
// Small file-system questions the window hosts' file prompts ask about a chosen path.

#include <sys/stat.h>

#include <string>

namespace fluvia {

// The folder part of a path ("/" for a file at the root; empty without any folder).
inline std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

inline bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

inline bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace fluvia
