#include "presets/preset_install.h"

#include <cstdint>
#include <cstdio>

#include "presets/preset_file_io.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

bool IsEarlierFactoryFile(const std::vector<PresetFileData>& earlier, const PresetFileData& file,
                          const std::string& content) {
  for (const PresetFileData& old : earlier) {
    if (old.relativePath == file.relativePath && old.content == content) return true;
  }
  return false;
}

// Names a set of factory files by their paths and contents (64-bit FNV-1a, in hexadecimal):
// the same six files always give the same text, any changed byte another one.
std::string FingerprintOf(const std::vector<PresetFileData>& files) {
  std::uint64_t hash = 14695981039346656037ull;
  const auto add = [&hash](const std::string& text) {
    for (const char c : text) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
    hash ^= 0xFFu;  // ends each text, so moving bytes between path and content shows
    hash *= 1099511628211ull;
  };
  for (const PresetFileData& file : files) {
    add(file.relativePath);
    add(file.content);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%016llx\n", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

PresetInstallReport InstallPresets(const std::string& presetFolder,
                                   const std::vector<PresetFileData>& files,
                                   const std::vector<PresetFileData>& earlier) {
  PresetInstallReport report;
  for (const char* sub : {kFactorySubfolder, kUserSubfolder}) {
    if (!MakeFolders(presetFolder + sub)) report.failed.push_back(std::string(sub) + "/");
  }
  for (const PresetFileData& file : files) {
    const std::string target = presetFolder + file.relativePath;
    std::vector<std::string>* outcome = &report.written;
    if (PathExists(target)) {
      // Larger than any preset, unreadable or a folder: not ours to touch either.
      const auto existing = ReadSmallFile(target, kMaxPresetFileBytes);
      if (existing && *existing == file.content) {
        report.unchanged.push_back(file.relativePath);
        continue;
      }
      if (!existing || !IsEarlierFactoryFile(earlier, file, *existing)) {
        report.skipped.push_back(file.relativePath);
        continue;
      }
      outcome = &report.updated;
    }
    if (WriteFileReplacing(target, file.content)) outcome->push_back(file.relativePath);
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
                                                const std::string& presetFolder,
                                                const std::vector<PresetFileData>& earlier) {
  const std::string shared = SharedFactoryPresetFolder(modulePath);
  if (shared.empty()) return {};
  const auto files = ReadFactoryPresetFolder(shared);
  if (!files) return {};

  const std::string record = presetFolder + kLaidFactorySetFile;
  const std::string fingerprint = FingerprintOf(*files);
  if (ReadSmallFile(record, 64) == fingerprint) {
    PresetInstallReport report;
    report.alreadyLaid = true;
    return report;
  }
  PresetInstallReport report = InstallPresets(presetFolder, *files, earlier);
  // A file that could not be written is tried again by the next process.
  if (report.Succeeded()) WriteFileReplacing(record, fingerprint);
  return report;
}

}  // namespace fluvia
