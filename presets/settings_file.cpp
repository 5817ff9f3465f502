#include "presets/settings_file.h"

#include "presets/preset_file_io.h"

namespace fluvia {
namespace {

constexpr const char* kFileName = "Settings.txt";

using settings_detail::Trimmed;

// The key of a "key=value" line; nothing for lines without "=".
std::optional<std::string_view> KeyOf(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trimmed(line.substr(0, equals));
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

}  // namespace

std::string SettingsFileFor(const std::string& presetFolder) {
  std::string folder = presetFolder;
  while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  const auto slash = folder.find_last_of("/\\");
  if (slash == std::string::npos) return kFileName;
  return folder.substr(0, slash + 1) + kFileName;
}

std::optional<std::string> SettingValue(std::string_view text, std::string_view key) {
  std::optional<std::string> value;
  ForEachSetting(text, [&](std::string_view name, std::string_view found) {
    if (name == key) value = std::string(found);
  });
  return value;
}

std::string WithSettings(std::string_view text, const SettingChanges& changes) {
  std::string out;
  ForEachLine(text, [&](std::string_view line) {
    if (Trimmed(line).empty()) return;
    if (const auto key = KeyOf(line)) {
      for (const auto& change : changes) {
        if (*key == change.first) return;
      }
    }
    out.append(line).append("\n");
  });
  for (const auto& [key, value] : changes) {
    if (!value.empty()) out.append(key).append("=").append(value).append("\n");
  }
  return out;
}

SettingsFileText ReadSettingsFile(const std::string& path) {
  SettingsFileText result;
  if (!PathExists(path)) return result;
  if (std::optional<std::string> text = ReadSmallFile(path, kMaxSettingsFileBytes)) {
    result.state = SettingsFileState::Readable;
    result.text = std::move(*text);
  } else {
    result.state = SettingsFileState::Unreadable;
  }
  return result;
}

bool UpdateSettingsFile(const std::string& path, const SettingChanges& changes) {
  const auto slash = path.find_last_of("/\\");
  if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
  const SettingsFileText old = ReadSettingsFile(path);
  if (old.state == SettingsFileState::Unreadable) return false;
  return WriteFileReplacing(path, WithSettings(old.text, changes));
}

}  // namespace fluvia
