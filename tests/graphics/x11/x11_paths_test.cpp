// The folders the X11 host reports.

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "graphics/x11/x11_paths.h"

namespace fluvia::testing {
namespace {

namespace fs = std::filesystem;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(X11Paths, ProgramFoldersAndTheDesktopFromTheUsersDirectories) {
  const std::string program = fs::canonical("/proc/self/exe").parent_path().string() + "/";
  EXPECT_EQ(ExecutableFolder(), program);
  // The host library is linked into this program.
  EXPECT_EQ(ModuleFolderOf(reinterpret_cast<const void*>(&ExecutableFolder)), program);

  const fs::path config = fs::path(::testing::TempDir()) / "fluvia-x11-user-dirs";
  fs::create_directories(config);
  ScopedEnv home("HOME", "/home/someone");
  ScopedEnv xdg("XDG_CONFIG_HOME", config.string());
  const struct {
    const char* file;
    const char* desktop;
  } cases[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
       "/home/someone/Bureau"},
      {"XDG_DESKTOP_DIR=\"/srv/desk\"\n", "/srv/desk"},
      {"XDG_DESKTOP_DIR=\"relative\"\n", "/home/someone/Desktop"},
      {"# nothing configured\n", "/home/someone/Desktop"},
  };
  for (const auto& c : cases) {
    std::ofstream(config / "user-dirs.dirs") << c.file;
    EXPECT_EQ(DesktopFolder(), c.desktop) << c.file;
  }
  fs::remove_all(config);

  ScopedEnv data("XDG_DATA_HOME", "/data/mine");
  EXPECT_EQ(DataFolder(false), "/data/mine");
  EXPECT_EQ(DataFolder(true), "/usr/local/share");
}

}  // namespace
}  // namespace fluvia::testing
