#pragma once
// Laying the factory presets and the empty user folder into the preset folder. A file that is
// already there is never replaced unless it is byte for byte what would be written: whatever
// the user changed or saved stays as it is.

#include <optional>
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

// The six factory presets from a folder that holds them by file name, as the source tree and
// the shared data folder of a system-wide install do. Nothing when one cannot be read; then
// unreadable names the first such file.
std::optional<std::vector<PresetFileData>> ReadFactoryPresetFolder(
    const std::string& folder, std::string* unreadable = nullptr);

// Where a system-wide install keeps the factory presets, found from the installed module's
// path: a module below "<prefix>/lib/" ("/usr/lib/vst3/Fluvia.vst3/...", "/usr/lib/vst/
// Fluvia.so") reads them from "<prefix>/share/fluvia/presets". Empty for a module anywhere
// else (a build folder, ~/.vst3) and for relative paths.
std::string SharedFactoryPresetFolder(const std::string& modulePath);

// Lays the factory presets of a system-wide install into the preset folder by the rule of
// InstallPresets. Writes nothing, not even folders, unless the shared folder holds all six.
PresetInstallReport InstallSharedFactoryPresets(const std::string& modulePath,
                                                const std::string& presetFolder);

}  // namespace fluvia
