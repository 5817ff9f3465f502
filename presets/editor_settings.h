#pragma once
// The person's editor preferences, shared by every instance on the machine: two keys of the
// settings file beside the preset folder (presets/settings_file.h), never part of a plug-in's
// state (a project opens at the same editor size everywhere it is loaded, whatever the machine
// prefers).
//
//   EditorSize=Small          the editor size last chosen ("Small" or "Large")
//   EditorScale=2             Linux: draw at this many device pixels per editor pixel
//
// Reading never fails: a missing, unreadable or damaged file (or line) means "not set".
// Writing keeps the lines this code does not know (the application's settings among them).

#include <optional>
#include <string>
#include <string_view>

#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

// Device pixels per editor pixel that a scale may name, from the settings file or the host.
constexpr double kMinEditorScale = 1.0;
constexpr double kMaxEditorScale = 4.0;

struct EditorSettings {
  std::optional<ArtworkSet> size;
  std::optional<double> scale;  // kMinEditorScale to kMaxEditorScale when set
};

// The settings file that belongs to a preset folder: beside it, in its parent folder.
std::string EditorSettingsFileFor(const std::string& presetFolder);

EditorSettings ParseEditorSettings(std::string_view text);
EditorSettings ReadEditorSettings(const std::string& path);

// The file's text with the size set to `size` (other lines kept).
std::string WithEditorSize(std::string_view text, ArtworkSet size);
// Records the size in the file, creating its folder when needed; false when it could not be
// written (the preference is then simply not remembered).
bool SaveEditorSize(const std::string& path, ArtworkSet size);

}  // namespace fluvia
