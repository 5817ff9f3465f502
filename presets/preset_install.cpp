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

std::optional<std::vector<PresetFileData>> ReadFactoryPresetFolder(const std::string& folder,
                                                                   std::string* unreadable) {
  std::vector<PresetFileData> files;
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string relative = LibraryPresetRelativePath(n);
    const std::string path = folder + "/" + relative.substr(relative.find('/') + 1);
    auto content = ReadSmallFile(path, kMaxPresetFileBytes);
    if (!content) {
      if (unreadable) *unreadable = path;
      return std::nullopt;
    }
    files.push_back({relative, std::move(*content)});
  }
  return files;
}

std::string SharedFactoryPresetFolder(const std::string& modulePath) {
  if (modulePath.empty() || modulePath.front() != '/') return {};
  // The last "lib" folder on the path ends the prefix.
  for (std::size_t end = modulePath.rfind('/'); end != std::string::npos && end > 0;
       end = modulePath.rfind('/', end - 1)) {
    const std::size_t start = modulePath.rfind('/', end - 1);
    if (modulePath.compare(start + 1, end - start - 1, "lib") == 0) {
      return modulePath.substr(0, start) + "/share/fluvia/presets";
    }
  }
  return {};
}

PresetInstallReport InstallSharedFactoryPresets(const std::string& modulePath,
                                                const std::string& presetFolder) {
  const std::string shared = SharedFactoryPresetFolder(modulePath);
  if (shared.empty()) return {};
  const auto files = ReadFactoryPresetFolder(shared);
  if (!files) return {};
  return InstallPresets(presetFolder, *files);
}

}  // namespace fluvia
