#pragma once
// What the program does before any window: the command line, --help, --version and
// --list-devices. Shared by the Linux and Windows entry points.

namespace fluvia::app {

int ProgramMain(int argc, const char* const* argv);

}  // namespace fluvia::app
