#pragma once
// The numbered library: which file each preset number names, the factory bank and the four
// user banks. A number without a file names the preset folder itself, which cannot be read as
// a preset, so loading it changes nothing.

#include <string>

namespace fluvia {

inline constexpr int kWelcomePresetNumber = 1;
inline constexpr int kFirstSfxPresetNumber = 2;
inline constexpr int kSfxPresetCount = 5;
inline constexpr int kFirstUserPresetNumber = 7;
inline constexpr int kUserBankCount = 4;
inline constexpr int kUserBankSize = 25;
inline constexpr int kLastPresetNumber = 106;

inline constexpr const char* kFactorySubfolder = "Factory";
inline constexpr const char* kUserSubfolder = "User";
inline constexpr const char* kPresetsLibraryTitle = "< Presets Library >";

// The name a library preset is shown and listed under ("SFX - Shower", "USR - Fluvia User
// Preset 007"); empty for numbers without a file.
std::string LibraryPresetName(int number);

// The file of a library preset relative to the preset folder
// ("Factory/SFX - Shower.fluviapreset"); empty for numbers without a file.
std::string LibraryPresetRelativePath(int number);

// presetFolder (ending in a separator) followed by the relative file of number, or the folder
// alone for numbers without a file.
std::string LibraryPresetPath(const std::string& presetFolder, int number);

// The first preset number of user bank 0..3 (banks A to D).
inline constexpr int UserBankFirstNumber(int bank) {
  return kFirstUserPresetNumber + bank * kUserBankSize;
}

}  // namespace fluvia
