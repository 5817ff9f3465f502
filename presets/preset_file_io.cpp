#include "presets/preset_file_io.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

namespace fluvia {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A name no other save uses at the same time: two instances may save into one folder at
// once, and each must rename only its own complete file.
std::string TemporaryPathBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  char name[80];
  std::snprintf(name, sizeof name, ".fluviapreset-%llx-%x.tmp", ticks, counter.fetch_add(1));
  const std::size_t separator = path.find_last_of("/\\");
  const std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
  return folder + name;
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  if (!IsRegularFile(path)) return std::nullopt;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;

  std::string content;
  char buffer[4096];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (got > 0) {
      if (content.size() + got > maxBytes) return std::nullopt;
      content.append(buffer, got);
    }
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return content;
}

bool WriteFileReplacing(const std::string& path, std::string_view content) {
  if (path.empty()) return false;
  const std::string temporary = TemporaryPathBeside(path);
  FilePtr file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return false;

  bool written = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
  written = std::fflush(file.get()) == 0 && written;
  // fclose reports late write errors (a full disk); only a fully written file may replace
  // the old one.
  written = std::fclose(file.release()) == 0 && written;
  if (written && ReplaceFileWith(temporary, path)) return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace fluvia
