// File operations of the preset library on Windows (narrow paths in the system code page).

#include <windows.h>

#include <algorithm>

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

bool IsReadableFile(const std::string& path, std::size_t maxBytes) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return false;
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size == 0 || size > maxBytes) return false;
  // Only opening tells whether the file may be read (permissions, another program's lock).
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::vector<std::string> ListFolder(const std::string& folder, std::size_t maxEntries,
                                    bool& more) {
  more = false;
  std::vector<std::string> names;
  if (folder.empty()) return names;
  std::string pattern = folder;
  if (pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (names.size() >= maxEntries) {
      more = true;
      break;
    }
    names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

bool SamePath(const std::string& a, const std::string& b) {
  auto full = [](const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    std::string out = length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
    std::replace(out.begin(), out.end(), '/', '\\');
    while (out.size() > 3 && out.back() == '\\') out.pop_back();
    CharLowerBuffA(out.data(), DWORD(out.size()));
    return out;
  };
  return full(a) == full(b);
}

bool FileNamesIgnoreCase() { return true; }

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
