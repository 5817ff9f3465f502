// The documents folder on Linux: XDG_DOCUMENTS_DIR from the user's user-dirs.dirs, else
// ~/Documents.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "presets/preset_file_io.h"
#include "presets/preset_folder.h"

namespace fluvia {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  // Hosts started from a service manager may run without HOME.
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size_t(size > 0 ? size : 16384));
  struct passwd entry {};
  struct passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir) {
    return result->pw_dir;
  }
  return {};
}

}  // namespace

std::string DocumentsFolder() {
  const std::string home = HomeFolder();
  // Relative XDG_CONFIG_HOME values are invalid by the XDG convention and are ignored.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string config =
      (configHome && configHome[0] == '/') ? std::string(configHome) : home + "/.config";
  constexpr std::size_t kMaxUserDirsBytes = 64 * 1024;
  if (const auto text = ReadSmallFile(config + "/user-dirs.dirs", kMaxUserDirsBytes)) {
    if (auto documents = XdgDocumentsDirFromUserDirs(*text, home)) return *documents;
  }
  std::string documents = home;
  while (!documents.empty() && documents.back() == '/') documents.pop_back();
  return documents + "/Documents";
}

}  // namespace fluvia
