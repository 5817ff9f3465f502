#pragma once
// A fresh folder under the system's temporary folder for one test, removed afterwards. Its
// name has a space and non-ASCII characters so every file test also covers such paths.

#include <filesystem>
#include <cstdio>
#include <random>
#include <string>

namespace fluvia::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device device;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("fluvia presets \xC3\xA4\xC3\xB6 " + std::to_string(device()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder path with a final "/".
  std::string Path() const { return path_.string() + "/"; }
  std::string File(const std::string& name) const { return Path() + name; }

  static void Write(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
      std::fwrite(content.data(), 1, content.size(), file);
      std::fclose(file);
    }
  }
  // The file's bytes; empty for a missing file.
  static std::string Read(const std::string& path) {
    std::string content;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
      char buffer[4096];
      for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, got);
      std::fclose(file);
    }
    return content;
  }
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }
  // Number of entries in the folder (to see left-over temporary files).
  size_t EntryCount(const std::string& sub = "") const {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path_ / sub)) ++count;
    return count;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace fluvia::testing
