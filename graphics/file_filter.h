#pragma once
// The file prompts' filter, shared by the window hosts: the extension list the editor passes
// ("fluviapreset txt", no dots), its patterns ("*.fluviapreset;*.txt") and the text a person
// reads in the dialog's type list ("Fluvia preset (*.fluviapreset)").

#include <string>
#include <vector>

namespace fluvia {

// The extensions of a space-separated list, in order, without empty entries.
std::vector<std::string> SplitFileExtensions(const std::string& extensions);

// "*.a" for each extension, joined with `separator`.
std::string FilePatterns(const std::vector<std::string>& extensions, const char* separator);

// "Type name (*.a;*.b)" for a named file type; the patterns alone ("*.a;*.b") without one.
std::string FileFilterDescription(const std::string& typeName,
                                  const std::vector<std::string>& extensions);

}  // namespace fluvia
