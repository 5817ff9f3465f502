#pragma once
// The person's settings file (Settings.txt beside the preset folder): one "Key=Value" line per
// setting, shared by the plug-ins (the editor size) and the application (audio and MIDI
// devices). Each reader takes the keys it knows and leaves the others alone; each writer
// replaces only its own keys, so a plug-in and the application never erase each other's lines.
//
// Reading never fails: a missing, unreadable or damaged file (or line) means "not set".
// Writing replaces the file through a temporary one, so concurrent writers leave one of their
// complete files behind. A file that exists but cannot be read as settings (far too large, not
// a plain file) is never replaced: what it holds is the person's, and a write reports failure.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fluvia {

// A few lines are expected; anything far larger is not this file.
inline constexpr std::size_t kMaxSettingsFileBytes = 64 * 1024;

// The settings file that belongs to a preset folder: beside it, in its parent folder.
std::string SettingsFileFor(const std::string& presetFolder);

// Calls visit(key, value) for every "key=value" line in file order (spaces around key and value
// trimmed); other lines are skipped.
template <typename Visit>
void ForEachSetting(std::string_view text, Visit visit);

// The value of the last line that sets `key`.
std::optional<std::string> SettingValue(std::string_view text, std::string_view key);

// The text with every line of the given keys replaced by one line per key at the end (a key
// with an empty value is removed); other lines keep their order, empty lines are dropped.
using SettingChanges = std::vector<std::pair<std::string, std::string>>;
std::string WithSettings(std::string_view text, const SettingChanges& changes);

enum class SettingsFileState {
  Missing,     // nothing there yet
  Readable,    // a settings file
  Unreadable,  // something is there that is not a settings file (too large, a folder, ...)
};
struct SettingsFileText {
  SettingsFileState state = SettingsFileState::Missing;
  std::string text;  // the content when Readable
};
SettingsFileText ReadSettingsFile(const std::string& path);

// Writes the changes into the file, creating its folder when needed; false when it could not
// be written or when the file there is Unreadable (it is then left as it is).
bool UpdateSettingsFile(const std::string& path, const SettingChanges& changes);

// ---- Implementation -----------------------------------------------------------------------------

namespace settings_detail {
inline std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}
}  // namespace settings_detail

template <typename Visit>
void ForEachSetting(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const auto equals = line.find('=');
    if (equals != std::string_view::npos) {
      visit(settings_detail::Trimmed(line.substr(0, equals)),
            settings_detail::Trimmed(line.substr(equals + 1)));
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

}  // namespace fluvia
