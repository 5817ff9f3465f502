#include "presets/preset_install.h"

#include "presets/preset_file_io.h"
#include "presets/preset_numbers.h"

namespace fluvia {

PresetInstallReport InstallPresets(const std::string& presetFolder,
                                   const std::vector<PresetFileData>& files) {
  PresetInstallReport report;
  for (const char* sub : {kFactorySubfolder, kUserSubfolder}) {
    if (!MakeFolders(presetFolder + sub)) report.failed.push_back(std::string(sub) + "/");
  }
  for (const PresetFileData& file : files) {
    const std::string target = presetFolder + file.relativePath;
    if (PathExists(target)) {
      // Larger than any preset, unreadable or a folder: not ours to touch either.
      const auto existing = ReadSmallFile(target, kMaxPresetFileBytes);
      if (existing && *existing == file.content) report.unchanged.push_back(file.relativePath);
      else report.skipped.push_back(file.relativePath);
      continue;
    }
    if (WriteFileReplacing(target, file.content)) report.written.push_back(file.relativePath);
    else report.failed.push_back(file.relativePath);
  }
  return report;
}

}  // namespace fluvia
