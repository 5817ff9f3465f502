#pragma once
// Laying the factory presets and the empty user folder into the preset folder, also over the
// factory presets of an earlier version. For each factory file:
//   - missing: written;
//   - the same as this version's file: left as it is (up to date);
//   - the same as a factory file that an earlier version shipped under this name: the person
//     never changed it, so this version's file replaces it (updated);
//   - anything else (the person changed it or saved their own sound under its name, a folder,
//     a file too large to be a preset): left alone (skipped).
// Nothing else in the folder (user presets, files of other names) is ever touched.

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
  std::vector<std::string> updated;    // an unchanged earlier factory file, now this version's
  std::vector<std::string> unchanged;  // already there with this content
  std::vector<std::string> skipped;    // there with other content (or not a file): left alone
  std::vector<std::string> failed;     // could not be written; folders that could not be made
  bool alreadyLaid = false;  // InstallSharedFactoryPresets: this set was laid here before
  bool Succeeded() const { return failed.empty(); }
};

// presetFolder ends in a separator. Creates it with its "Factory" and "User" folders as needed.
// earlier: the factory files of earlier versions by relative path (a path may occur several
// times); a file is replaced only when it equals one recorded for its own path.
PresetInstallReport InstallPresets(const std::string& presetFolder,
                                   const std::vector<PresetFileData>& files,
                                   const std::vector<PresetFileData>& earlier = {});

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

// The file in the preset folder that records which factory set was last laid there by
// InstallSharedFactoryPresets (hidden on Linux, the only system that installs that way).
inline constexpr const char* kLaidFactorySetFile = "Factory/.laid-factory-set";

// Lays the factory presets of a system-wide install by the rule of InstallPresets, once per
// set: when the preset folder's record names the set the shared folder holds now, nothing is
// done (alreadyLaid), so a factory preset the person deleted stays deleted; the first call
// after an upgrade that brought other factory files lays them (bringing back deleted ones,
// now in their new version, like a fresh install) and records the new set once every file
// is in place. Writes nothing, not even folders, unless the shared folder holds all six.
PresetInstallReport InstallSharedFactoryPresets(const std::string& modulePath,
                                                const std::string& presetFolder,
                                                const std::vector<PresetFileData>& earlier);

}  // namespace fluvia
