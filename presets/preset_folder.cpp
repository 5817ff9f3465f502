#include "presets/preset_folder.h"

#include <algorithm>

namespace fluvia {
namespace {

std::string WithoutFinalSeparators(std::string path) {
  while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// The value of one `XDG_DOCUMENTS_DIR="..."` line, with backslash escapes resolved; nothing
// for other lines and for values without their quotes.
std::optional<std::string> DocumentsDirValue(std::string_view line) {
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR";
  line = TrimLeft(line);
  if (line.substr(0, kKey.size()) != kKey) return std::nullopt;
  line = TrimLeft(line.substr(kKey.size()));
  if (line.empty() || line.front() != '=') return std::nullopt;
  line = TrimLeft(line.substr(1));
  if (line.empty() || line.front() != '"') return std::nullopt;
  line.remove_prefix(1);

  std::string value;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') return value;
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  return std::nullopt;  // no closing quote
}

}  // namespace

std::string PresetFolderUnder(const std::string& documentsFolder) {
  return WithoutFinalSeparators(documentsFolder) + kPresetFolderSuffix;
}

std::string PresetFolder() { return PresetFolderUnder(DocumentsFolder()); }

std::string PresetDialogFolder(const std::string& presetFolder) {
  std::string folder = WithoutFinalSeparators(presetFolder);
#ifdef _WIN32
  std::replace(folder.begin(), folder.end(), '/', '\\');
#endif
  return folder;
}

std::optional<std::string> XdgDocumentsDirFromUserDirs(std::string_view userDirsText,
                                                       const std::string& home) {
  // Like the shell that normally reads this file: the last assignment wins.
  std::optional<std::string> found;
  while (!userDirsText.empty()) {
    const std::size_t end = userDirsText.find('\n');
    const std::string_view line = userDirsText.substr(0, end);
    userDirsText = end == std::string_view::npos ? std::string_view() : userDirsText.substr(end + 1);
    if (auto value = DocumentsDirValue(line)) found = std::move(value);
  }
  if (!found) return std::nullopt;

  std::string path = *found;
  constexpr std::string_view kHome = "$HOME";
  if (std::string_view(path).substr(0, kHome.size()) == kHome) {
    const std::string rest = path.substr(kHome.size());
    if (!rest.empty() && rest.front() != '/') return std::nullopt;  // "$HOMEX" is no folder
    path = WithoutFinalSeparators(home) + rest;
  } else if (path.empty() || path.front() != '/') {
    return std::nullopt;  // only absolute folders and folders below $HOME are meaningful
  }

  path = WithoutFinalSeparators(path);
  if (path.empty() || path == WithoutFinalSeparators(home)) return std::nullopt;
  return path;
}

}  // namespace fluvia
