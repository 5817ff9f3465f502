#pragma once
// The folders a Linux editor reports to the plug-in. Program and module folders end in a
// slash (they are prefixes for file names); the others are folders as the desktop names them.

#include <string>

namespace fluvia {

// The folder of the running program (the host).
std::string ExecutableFolder();
// The folder of the shared object (or program) that contains `address`.
std::string ModuleFolderOf(const void* address);
// XDG_DESKTOP_DIR from the user's user-dirs.dirs, else ~/Desktop.
std::string DesktopFolder();
// Shared data for all users (/usr/local/share) or the user's own ($XDG_DATA_HOME, else
// ~/.local/share).
std::string DataFolder(bool system);

}  // namespace fluvia
