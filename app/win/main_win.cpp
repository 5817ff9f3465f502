// Fluvia.exe: the instrument as a program of its own on Windows. A window program: what it
// prints (--help, --list-devices, messages) goes to the console it was started from, when
// there is one, or wherever its output was sent.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/main_common.h"

namespace {

void UseParentConsole() {
  const bool redirected = GetStdHandle(STD_ERROR_HANDLE) != nullptr &&
                          GetStdHandle(STD_ERROR_HANDLE) != INVALID_HANDLE_VALUE;
  if (redirected) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  UseParentConsole();
  return fluvia::app::ProgramMain(__argc, __argv);
}
