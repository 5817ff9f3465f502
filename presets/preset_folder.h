#pragma once
// Where the preset library lives: the platform's documents folder followed by
// "/VelmoraAudio/Fluvia/Presets/". The plug-in and the preset installer both ask here, so
// they always agree on the folder.

#include <optional>
#include <string>
#include <string_view>

namespace fluvia {

inline constexpr const char* kPresetFolderSuffix = "/VelmoraAudio/Fluvia/Presets/";

// The documents folder with forward slashes and without a final separator. Linux: the XDG
// documents folder, else ~/Documents. Windows: the common (all users) documents folder.
// Empty when the system cannot tell.
std::string DocumentsFolder();

// The preset folder, ending in "/".
std::string PresetFolder();

// The preset folder below a given documents folder (a final separator there is dropped).
std::string PresetFolderUnder(const std::string& documentsFolder);

// The start folder of the load and save dialogs: the preset folder without its final
// separator, with backslashes on Windows.
std::string PresetDialogFolder(const std::string& presetFolder);

// XDG_DOCUMENTS_DIR from the text of a user-dirs.dirs file, with "$HOME" expanded; nothing
// when the file does not set it to a usable folder (also when it names the home folder
// itself, which the XDG convention uses for "not configured").
std::optional<std::string> XdgDocumentsDirFromUserDirs(std::string_view userDirsText,
                                                       const std::string& home);

}  // namespace fluvia
