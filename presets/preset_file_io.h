#pragma once
// File access of the preset library. Paths are narrow-character paths as the platform takes
// them (UTF-8 on Linux, the system code page on Windows).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fluvia {

// A preset is a few hundred bytes; anything much larger is not one, and reading it whole
// while the audio thread waits on the instance mutex would only stall the sound.
inline constexpr std::size_t kMaxPresetFileBytes = 1u << 20;

// The whole content of a regular file of at most maxBytes bytes; nothing for anything else (a
// missing file, a folder, a pipe, an empty path) and for files that cannot be read or are
// larger.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes);

// Writes content to a temporary file in the target's folder and renames it over the target,
// so the old file is replaced only by a complete new one. On failure the target is untouched
// and the temporary file is removed.
bool WriteFileReplacing(const std::string& path, std::string_view content);

// ---- Platform operations (presets/linux, presets/win) -----------------------------------------

// Renames from over to, replacing an existing file to atomically where the platform can.
bool ReplaceFileWith(const std::string& from, const std::string& to);
// Creates the folder and any missing parents; true when it exists as a folder afterwards.
bool MakeFolders(const std::string& path);
bool IsFolder(const std::string& path);
// A plain file: not a folder, a pipe or a device (reading a pipe could wait forever while the
// instance mutex holds up the audio).
bool IsRegularFile(const std::string& path);
// Whether anything (a file, a folder, a broken link) stands at the path.
bool PathExists(const std::string& path);
// A regular file of 1 to maxBytes bytes that this process may open for reading.
bool IsReadableFile(const std::string& path, std::size_t maxBytes);
// The names of the entries of a folder (without "." and ".."), in the order the system gives
// them, at most maxEntries of them; `more` tells whether the folder holds further ones. Empty
// for a folder that cannot be read.
std::vector<std::string> ListFolder(const std::string& folder, std::size_t maxEntries, bool& more);
// Whether two paths name the same existing file or folder (also when spelt differently:
// separators, case on Windows, links on Linux); paths that name nothing compare as text.
bool SamePath(const std::string& a, const std::string& b);
// Whether the platform's file names ignore case (two names differing only in case are one).
bool FileNamesIgnoreCase();

}  // namespace fluvia
