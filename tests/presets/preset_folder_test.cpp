#include "presets/preset_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/presets/scratch_folder.h"

namespace fluvia {
namespace {

TEST(PresetFolder, XdgDocumentsDirIsReadFromUserDirs) {
  const std::string home = "/home/ann";
  const struct {
    const char* text;
    std::optional<std::string> folder;
  } cases[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", "/home/ann/Dokumente"},
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_DOCUMENTS_DIR = \"/data/docs/\"",
       "/data/docs"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"", "/home/ann/My \"Docs\""},
      {"XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"", "/home/ann/b"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/\xC3\x84rger\"\r\n", "/home/ann/\xC3\x84rger"},
      {"XDG_DOCUMENTS_DIR=\"$HOME\"", std::nullopt},       // the home folder: not configured
      {"XDG_DOCUMENTS_DIR=\"$HOME/\"", std::nullopt},
      {"XDG_DOCUMENTS_DIR=\"relative/docs\"", std::nullopt},
      {"XDG_DOCUMENTS_DIR=\"$HOMEWORK\"", std::nullopt},
      {"XDG_DOCUMENTS_DIR=$HOME/unquoted", std::nullopt},
      {"XDG_DOCUMENTS_DIR=\"$HOME/open", std::nullopt},
      {"#XDG_DOCUMENTS_DIR=\"$HOME/x\"", std::nullopt},
      {"XDG_DOCUMENTS_DIRS=\"$HOME/x\"", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(XdgDocumentsDirFromUserDirs(c.text, home), c.folder) << c.text;
  }
}

TEST(PresetFolder, PresetFolderLiesBelowTheDocumentsFolder) {
  EXPECT_EQ(PresetFolderUnder("/home/ann/Documents"), "/home/ann/Documents/VelmoraAudio/Fluvia/Presets/");
  EXPECT_EQ(PresetFolderUnder("C:/Users/Public/Documents/"),
            "C:/Users/Public/Documents/VelmoraAudio/Fluvia/Presets/");
#ifdef _WIN32
  EXPECT_EQ(PresetDialogFolder("C:/Users/Public/Documents/VelmoraAudio/Fluvia/Presets/"),
            "C:\\Users\\Public\\Documents\\VelmoraAudio\\Fluvia\\Presets");
#else
  EXPECT_EQ(PresetDialogFolder("/home/ann/Documents/VelmoraAudio/Fluvia/Presets/"),
            "/home/ann/Documents/VelmoraAudio/Fluvia/Presets");
#endif
}

#ifndef _WIN32
// Sets environment variables for one test and puts them back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(PresetFolder, LinuxDocumentsFolderFollowsTheUsersXdgSettings) {
  testing::ScratchFolder scratch;
  const std::string home = scratch.Path() + "home";
  ScopedEnv homeEnv("HOME", &home);
  {
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(DocumentsFolder(), home + "/Documents");  // nothing configured
    testing::ScratchFolder::Write(home + "/.config/user-dirs.dirs",
                                  "XDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n");
    EXPECT_EQ(DocumentsFolder(), home + "/Papiere");
    EXPECT_EQ(PresetFolder(), home + "/Papiere/VelmoraAudio/Fluvia/Presets/");
  }
  {
    const std::string other = scratch.Path() + "config";
    ScopedEnv config("XDG_CONFIG_HOME", &other);
    EXPECT_EQ(DocumentsFolder(), home + "/Documents");  // that config has no user-dirs.dirs
    testing::ScratchFolder::Write(other + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
    EXPECT_EQ(DocumentsFolder(), "/srv/docs");
  }
  {
    const std::string relative = "not/absolute";
    ScopedEnv config("XDG_CONFIG_HOME", &relative);
    EXPECT_EQ(DocumentsFolder(), home + "/Papiere");  // ignored: back to ~/.config
  }
}
#endif

}  // namespace
}  // namespace fluvia
