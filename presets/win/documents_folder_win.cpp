// The documents folder on Windows: the common (all users) documents folder, so that the
// installer and every user of the machine see the same library.

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "presets/preset_folder.h"

namespace fluvia {

std::string DocumentsFolder() {
  constexpr int kCommonDocuments = 46;  // CSIDL_COMMON_DOCUMENTS
  char path[MAX_PATH + 1] = {};
  if (SHGetFolderPathA(nullptr, kCommonDocuments, nullptr, 0, path) != S_OK) return {};
  std::string folder = path;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace fluvia
