#pragma once
// Laying the factory presets and the empty user folder into the preset folder. A file that is
// already there is never replaced unless it is byte for byte what would be written: whatever
// the user changed or saved stays as it is.

#include <string>
#include <vector>

namespace fluvia {

struct PresetFileData {
  std::string relativePath;  // below the preset folder, "Factory/SFX - Shower.fluviapreset"
  std::string content;
};

struct PresetInstallReport {
  std::vector<std::string> written;    // were missing, now there
  std::vector<std::string> unchanged;  // already there with this content
  std::vector<std::string> skipped;    // there with other content (or not a file): left alone
  std::vector<std::string> failed;     // could not be written; folders that could not be made
  bool Succeeded() const { return failed.empty(); }
};

// presetFolder ends in a separator. Creates it with its "Factory" and "User" folders as needed.
PresetInstallReport InstallPresets(const std::string& presetFolder,
                                   const std::vector<PresetFileData>& files);

}  // namespace fluvia
