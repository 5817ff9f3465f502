#pragma once
// The platform's half of the program: opens the top-level window, shows the editor in it and
// runs the window thread's loop until the window is closed or the program is told to end.

#include "app/core/app_options.h"

namespace fluvia::app {

// The program's exit status: 0 after a normal end (window closed, SIGTERM, --quit-after).
int RunWindowed(const AppOptions& options);

}  // namespace fluvia::app
