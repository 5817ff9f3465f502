#include "graphics/x11/x11_paths.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace fluvia {
namespace {

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}

// The value of NAME="..." in user-dirs.dirs, with $HOME expanded; empty when absent.
std::string UserDir(const char* name) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string file =
      (config && *config ? std::string(config) : Home() + "/.config") + "/user-dirs.dirs";
  std::ifstream in(file);
  const std::string key = std::string(name) + "=\"";
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    const size_t end = line.rfind('"');
    if (end == std::string::npos || end < key.size()) return {};
    std::string value = line.substr(key.size(), end - key.size());
    if (value.compare(0, 5, "$HOME") == 0) value = Home() + value.substr(5);
    // Only absolute folders are meaningful; the file says relative ones are invalid.
    return !value.empty() && value[0] == '/' ? value : std::string();
  }
  return {};
}

}  // namespace

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "./";
  path[length] = '\0';
  return FolderOfPath(path);
}

std::string ModuleFolderOf(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) {
    return ExecutableFolder();
  }
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return FolderOfPath(resolved);
  return FolderOfPath(info.dli_fname);
}

std::string DesktopFolder() {
  const std::string configured = UserDir("XDG_DESKTOP_DIR");
  return configured.empty() ? Home() + "/Desktop" : configured;
}

std::string DataFolder(bool system) {
  if (system) return "/usr/local/share";
  const char* data = std::getenv("XDG_DATA_HOME");
  return data && *data && data[0] == '/' ? std::string(data) : Home() + "/.local/share";
}

}  // namespace fluvia
