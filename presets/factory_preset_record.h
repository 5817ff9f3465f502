#pragma once
// The factory presets a program carries built in: this version's six files, and the record of
// the factory files earlier versions shipped. The record is what lets an upgrade tell a
// factory preset the person never changed (its content is an earlier factory file of the
// same name: replace it with the new one) from one they changed (keep it).

#include <optional>
#include <string>
#include <vector>

#include "presets/preset_install.h"

namespace fluvia {

// This version's factory presets in library order (numbers 1 to 6). Nothing when one of them
// is not built in; then missing names its file.
std::optional<std::vector<PresetFileData>> BuiltInFactoryPresets(std::string* missing = nullptr);

// The factory files of earlier versions that this version ships with other content, by
// relative path ("Factory/SFX - Shower.fluviapreset"); a path may occur more than once.
std::vector<PresetFileData> EarlierFactoryPresets();

}  // namespace fluvia
