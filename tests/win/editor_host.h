#pragma once
// The editor check: the plug-in's editor opened as a child of a host window of the program's
// own, held open while test scripts click, drag and take screenshots with the X tools.

#include <string>
#include <vector>

namespace fluvia::modulecheck {

// args: SECONDS [STOP_FILE]. Opens the editor at the size the view asks for in a borderless
// top-level window at (0, 0), prints "ready WIDTH HEIGHT" once it is shown, and runs the
// message loop until SECONDS have passed or STOP_FILE exists; then closes the editor and prints
// every parameter as "param NAME VALUE" (normalised). While it runs, a file STOP_FILE.dump
// makes it print the parameters at once, then "dumped", and delete that file. 0 on success.
int RunEditor(const std::string& format, const std::string& module,
              const std::vector<std::string>& args);

}  // namespace fluvia::modulecheck
