// File operations of the preset library on Windows (narrow paths in the system code page).

#include <windows.h>

#include "presets/preset_file_io.h"

namespace fluvia {

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  // Unlike POSIX rename, plain MoveFile refuses an existing target.
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool PathExists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  // Create each level in turn. Levels that cannot be created (a drive "C:", a share
  // a share "\\server\share") are left to the next level: only the final result counts.
  for (std::size_t pos = path.find_first_of("/\\", 1);; pos = path.find_first_of("/\\", pos + 1)) {
    const std::string level = path.substr(0, pos);
    if (!level.empty() && !IsFolder(level)) CreateDirectoryA(level.c_str(), nullptr);
    if (pos == std::string::npos) break;
  }
  return IsFolder(path);
}

}  // namespace fluvia
