#include "presets/preset_numbers.h"

#include <cstdio>

#include "presets/preset_format.h"

namespace fluvia {
namespace {

constexpr const char* kWelcomePresetName = "WLCM - The River Wild";
constexpr const char* kSfxPresetNames[kSfxPresetCount] = {
    "SFX - Faucet Water", "SFX - Shower", "SFX - Waterfall", "SFX - Light Rain",
    "SFX - Heavy Rain"};

bool IsUserNumber(int number) {
  return number >= kFirstUserPresetNumber && number <= kLastPresetNumber;
}

}  // namespace

std::string LibraryPresetName(int number) {
  if (number == kWelcomePresetNumber) return kWelcomePresetName;
  if (number >= kFirstSfxPresetNumber && number < kFirstSfxPresetNumber + kSfxPresetCount) {
    return kSfxPresetNames[number - kFirstSfxPresetNumber];
  }
  if (IsUserNumber(number)) {
    char slot[8];
    std::snprintf(slot, sizeof slot, "%03d", number - kFirstUserPresetNumber + 1);
    return std::string("USR - Fluvia User Preset ") + slot;
  }
  return {};
}

std::string LibraryPresetRelativePath(int number) {
  const std::string name = LibraryPresetName(number);
  if (name.empty()) return {};
  const char* folder = IsUserNumber(number) ? kUserSubfolder : kFactorySubfolder;
  return std::string(folder) + "/" + name + "." + kPresetExtension;
}

std::string LibraryPresetPath(const std::string& presetFolder, int number) {
  return presetFolder + LibraryPresetRelativePath(number);
}

}  // namespace fluvia
