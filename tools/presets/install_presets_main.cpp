// fluvia-install-presets: lays the factory presets and an empty "User" folder into the preset
// folder the plug-in reads (the same folder function as the plug-in's). A factory preset that
// is already there is replaced only when it is an earlier version's factory file, unchanged;
// one the person changed, and every preset of their own, stays as it is.
//
//   fluvia-install-presets [--source DIR] [--print-folder]
//
// --source DIR takes this version's six factory files from DIR instead of the copies built
// into the tool; the record of earlier versions' files is always the built-in one.

#include <cstdio>
#include <string>
#include <vector>

#include "presets/factory_preset_record.h"
#include "presets/preset_folder.h"
#include "presets/preset_install.h"

namespace {

using namespace fluvia;

int Usage() {
  std::fprintf(stderr, "usage: fluvia-install-presets [--source DIR] [--print-folder]\n");
  return 2;
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
  std::string missing;
  auto builtIn = BuiltInFactoryPresets(&missing);
  if (!builtIn) {
    std::fprintf(stderr, "fluvia-install-presets: %s is not built in\n", missing.c_str());
    return false;
  }
  files = std::move(*builtIn);
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

  const PresetInstallReport report = InstallPresets(folder, files, EarlierFactoryPresets());
  std::printf("preset folder: %s\n", folder.c_str());
  for (const auto& f : report.written) std::printf("installed  %s\n", f.c_str());
  for (const auto& f : report.updated) {
    std::printf("updated    %s (an earlier version's factory file, unchanged: replaced)\n",
                f.c_str());
  }
  for (const auto& f : report.unchanged) std::printf("up to date %s\n", f.c_str());
  for (const auto& f : report.skipped) {
    std::printf("skipped    %s (differs from the factory file: kept as it is)\n", f.c_str());
  }
  for (const auto& f : report.failed) std::printf("FAILED     %s\n", f.c_str());
  std::printf("%zu installed, %zu updated, %zu up to date, %zu skipped, %zu failed\n",
              report.written.size(), report.updated.size(), report.unchanged.size(),
              report.skipped.size(), report.failed.size());
  return report.Succeeded() ? 0 : 1;
}
