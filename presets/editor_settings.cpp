#include "presets/editor_settings.h"

#include <cstdlib>

#include "presets/preset_file_io.h"

namespace fluvia {
namespace {

constexpr const char* kSizeKey = "EditorSize";
constexpr const char* kScaleKey = "EditorScale";
constexpr const char* kFileName = "Settings.txt";
// A few lines are expected; anything far larger is not this file.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The value of a "key=value" line for that key; nothing for other lines.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos || Trimmed(line.substr(0, equals)) != key) return {};
  return Trimmed(line.substr(equals + 1));
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    visit(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

const char* SizeText(ArtworkSet size) { return size == ArtworkSet::Small ? "Small" : "Large"; }

}  // namespace

std::string EditorSettingsFileFor(const std::string& presetFolder) {
  std::string folder = presetFolder;
  while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  const auto slash = folder.find_last_of("/\\");
  if (slash == std::string::npos) return kFileName;
  return folder.substr(0, slash + 1) + kFileName;
}

EditorSettings ParseEditorSettings(std::string_view text) {
  EditorSettings settings;
  ForEachLine(text, [&](std::string_view line) {
    if (const auto size = ValueOf(line, kSizeKey)) {
      if (*size == "Small") settings.size = ArtworkSet::Small;
      if (*size == "Large") settings.size = ArtworkSet::Large;
    } else if (const auto scale = ValueOf(line, kScaleKey)) {
      const std::string digits(*scale);
      char* end = nullptr;
      const double value = std::strtod(digits.c_str(), &end);
      const bool whole = !digits.empty() && end == digits.c_str() + digits.size();
      if (whole && value >= kMinEditorScale && value <= kMaxEditorScale) settings.scale = value;
    }
  });
  return settings;
}

EditorSettings ReadEditorSettings(const std::string& path) {
  const std::optional<std::string> text = ReadSmallFile(path, kMaxSettingsBytes);
  return text ? ParseEditorSettings(*text) : EditorSettings{};
}

std::string WithEditorSize(std::string_view text, ArtworkSet size) {
  std::string out;
  ForEachLine(text, [&](std::string_view line) {
    if (ValueOf(line, kSizeKey) || Trimmed(line).empty()) return;
    out.append(line).append("\n");
  });
  out.append(kSizeKey).append("=").append(SizeText(size)).append("\n");
  return out;
}

bool SaveEditorSize(const std::string& path, ArtworkSet size) {
  const auto slash = path.find_last_of("/\\");
  if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
  const std::optional<std::string> old = ReadSmallFile(path, kMaxSettingsBytes);
  return WriteFileReplacing(path, WithEditorSize(old.value_or(""), size));
}

}  // namespace fluvia
