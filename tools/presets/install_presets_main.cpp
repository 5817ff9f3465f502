// fluvia-install-presets: lays the factory presets and an empty "User" folder into the preset
// folder the plug-in reads (the same folder function as the plug-in's). Files already there
// are left alone unless they are exactly what would be written, so nothing a user changed or
// saved is ever overwritten.
//
//   fluvia-install-presets [--source DIR] [--print-folder]
//
// --source DIR takes the six factory files from DIR instead of the copies built into the tool.

#include <cstdio>
#include <string>
#include <vector>

#include "presets/preset_folder.h"
#include "presets/preset_install.h"
#include "presets/preset_numbers.h"
#include "tools/presets/embedded_factory_presets.h"

namespace {

using namespace fluvia;

int Usage() {
  std::fprintf(stderr, "usage: fluvia-install-presets [--source DIR] [--print-folder]\n");
  return 2;
}

std::string FileNameOf(const std::string& relative) {
  return relative.substr(relative.find('/') + 1);
}

// The factory files by library number, from a folder or from the built-in copies.
bool CollectFactoryFiles(const std::string& source, std::vector<PresetFileData>& files) {
  if (!source.empty()) {
    std::string unreadable;
    auto read = ReadFactoryPresetFolder(source, &unreadable);
    if (!read) {
      std::fprintf(stderr, "fluvia-install-presets: cannot read %s\n", unreadable.c_str());
      return false;
    }
    files = std::move(*read);
    return true;
  }
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    const std::string relative = LibraryPresetRelativePath(n);
    const std::string name = FileNameOf(relative);
    PresetFileData file{relative, {}};
    bool found = false;
    for (int i = 0; i < kEmbeddedFactoryPresetCount; ++i) {
      if (name != kEmbeddedFactoryPresets[i].fileName) continue;
      file.content.assign(reinterpret_cast<const char*>(kEmbeddedFactoryPresets[i].data),
                          size_t(kEmbeddedFactoryPresets[i].size));
      found = true;
    }
    if (!found) {
      std::fprintf(stderr, "fluvia-install-presets: %s is not built in\n", name.c_str());
      return false;
    }
    files.push_back(std::move(file));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string source;
  bool printOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--source" && i + 1 < argc) source = argv[++i];
    else if (arg == "--print-folder") printOnly = true;
    else return Usage();
  }

  const std::string folder = PresetFolder();
  if (printOnly) {
    std::printf("%s\n", folder.c_str());
    return 0;
  }
  std::vector<PresetFileData> files;
  if (!CollectFactoryFiles(source, files)) return 1;

  const PresetInstallReport report = InstallPresets(folder, files);
  std::printf("preset folder: %s\n", folder.c_str());
  for (const auto& f : report.written) std::printf("installed  %s\n", f.c_str());
  for (const auto& f : report.unchanged) std::printf("up to date %s\n", f.c_str());
  for (const auto& f : report.skipped) {
    std::printf("skipped    %s (differs from the factory file: kept as it is)\n", f.c_str());
  }
  for (const auto& f : report.failed) std::printf("FAILED     %s\n", f.c_str());
  std::printf("%zu installed, %zu up to date, %zu skipped, %zu failed\n", report.written.size(),
              report.unchanged.size(), report.skipped.size(), report.failed.size());
  return report.Succeeded() ? 0 : 1;
}
