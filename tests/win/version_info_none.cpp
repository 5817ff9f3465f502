#include <cstdio>

#include "tests/win/version_info.h"

namespace fluvia::modulecheck {

// Version resources belong to the Windows build's files.
int PrintVersionInfo(const std::string&) {
  std::fprintf(stderr, "the version check runs in the Windows build only\n");
  return 2;
}

}  // namespace fluvia::modulecheck
