#include "graphics/file_filter.h"

namespace fluvia {

std::vector<std::string> SplitFileExtensions(const std::string& extensions) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < extensions.size()) {
    size_t end = extensions.find(' ', pos);
    if (end == std::string::npos) end = extensions.size();
    if (end > pos) out.push_back(extensions.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::string FilePatterns(const std::vector<std::string>& extensions, const char* separator) {
  std::string out;
  for (const std::string& ext : extensions) {
    if (!out.empty()) out += separator;
    out += "*." + ext;
  }
  return out;
}

std::string FileFilterDescription(const std::string& typeName,
                                  const std::vector<std::string>& extensions) {
  const std::string patterns = FilePatterns(extensions, ";");
  if (typeName.empty()) return patterns;
  return patterns.empty() ? typeName : typeName + " (" + patterns + ")";
}

}  // namespace fluvia
