#include <cstdio>

#include "tests/win/editor_host.h"

namespace fluvia::modulecheck {

// Editors of the Linux build are checked by the VST3 editor tests with a real X11 host window.
int RunEditor(const std::string&, const std::string&, const std::vector<std::string>&) {
  std::fprintf(stderr, "the editor check runs in the Windows build only\n");
  return 2;
}

}  // namespace fluvia::modulecheck
