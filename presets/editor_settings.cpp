#include "presets/editor_settings.h"

#include <cstdlib>

#include "presets/settings_file.h"

namespace fluvia {
namespace {

constexpr const char* kSizeKey = "EditorSize";
constexpr const char* kScaleKey = "EditorScale";

const char* SizeText(ArtworkSet size) { return size == ArtworkSet::Small ? "Small" : "Large"; }

}  // namespace

std::string EditorSettingsFileFor(const std::string& presetFolder) {
  return SettingsFileFor(presetFolder);
}

EditorSettings ParseEditorSettings(std::string_view text) {
  EditorSettings settings;
  ForEachSetting(text, [&](std::string_view key, std::string_view value) {
    if (key == kSizeKey) {
      if (value == "Small") settings.size = ArtworkSet::Small;
      if (value == "Large") settings.size = ArtworkSet::Large;
    } else if (key == kScaleKey) {
      const std::string digits(value);
      char* end = nullptr;
      const double scale = std::strtod(digits.c_str(), &end);
      const bool whole = !digits.empty() && end == digits.c_str() + digits.size();
      if (whole && scale >= kMinEditorScale && scale <= kMaxEditorScale) settings.scale = scale;
    }
  });
  return settings;
}

EditorSettings ReadEditorSettings(const std::string& path) {
  const SettingsFileText file = ReadSettingsFile(path);
  return file.state == SettingsFileState::Readable ? ParseEditorSettings(file.text)
                                                   : EditorSettings{};
}

std::string WithEditorSize(std::string_view text, ArtworkSet size) {
  return WithSettings(text, {{kSizeKey, SizeText(size)}});
}

bool SaveEditorSize(const std::string& path, ArtworkSet size) {
  return UpdateSettingsFile(path, {{kSizeKey, SizeText(size)}});
}

}  // namespace fluvia
