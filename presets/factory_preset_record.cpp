#include "presets/factory_preset_record.h"

#include "presets/embedded_factory_presets.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

std::string ContentOf(const EmbeddedPresetFile& file) {
  return std::string(reinterpret_cast<const char*>(file.data), size_t(file.size));
}

}  // namespace

std::optional<std::vector<PresetFileData>> BuiltInFactoryPresets(std::string* missing) {
  std::vector<PresetFileData> files;
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string relative = LibraryPresetRelativePath(n);
    const std::string name = relative.substr(relative.find('/') + 1);
    const EmbeddedPresetFile* found = nullptr;
    for (int i = 0; i < kEmbeddedFactoryPresetCount; ++i) {
      if (name == kEmbeddedFactoryPresets[i].fileName) found = &kEmbeddedFactoryPresets[i];
    }
    if (!found) {
      if (missing) *missing = name;
      return std::nullopt;
    }
    files.push_back({relative, ContentOf(*found)});
  }
  return files;
}

std::vector<PresetFileData> EarlierFactoryPresets() {
  std::vector<PresetFileData> files;
  for (int i = 0; i < kEmbeddedEarlierFactoryPresetCount; ++i) {
    const EmbeddedPresetFile& file = kEmbeddedEarlierFactoryPresets[i];
    files.push_back({std::string(kFactorySubfolder) + "/" + file.fileName, ContentOf(file)});
  }
  return files;
}

}  // namespace fluvia
