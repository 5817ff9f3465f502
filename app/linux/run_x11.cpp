// The window thread on Linux: one poll loop over the window's X connection, the editor's own
// connection and a pipe the signal handler writes to, with the redraw timer in between.

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/application.h"
#include "app/linux/x11_app_window.h"
#include "app/run_windowed.h"
#include "graphics/x11/graphics_x11.h"
#include "graphics/x11/x11_factory.h"

namespace fluvia::app {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Nothing else is safe in a signal handler; the loop does the rest.
  ssize_t ignored = write(gSignalPipe[1], &byte, 1);
  (void)ignored;
}

bool InstallSignalHandlers() {
  if (pipe(gSignalPipe) != 0) return false;
  for (int fd : gSignalPipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  return true;
}

// X errors of the window's connection are reported, not fatal (the editor's connection traps
// its own).
int OnXError(Display* display, XErrorEvent* error) {
  char text[128] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "fluvia: X error: %s\n", text);
  return 0;
}

}  // namespace

int RunWindowed(const AppOptions& options) {
  XInitThreads();
  if (!InstallSignalHandlers()) {
    std::fprintf(stderr, "fluvia: cannot set up signal handling\n");
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "fluvia: cannot open the X display (is DISPLAY set?)\n");
    return 1;
  }
  XSetErrorHandler(&OnXError);

  int status = 0;
  {
    Application app(options, X11GraphicsFactory());
    app.Start();
    X11AppWindow window(display, std::max(app.EditorWidth(), 1), std::max(app.EditorHeight(), 1));
    if (!window.Valid() || !app.OpenEditor(window)) {
      std::fprintf(stderr, "fluvia: the window could not be opened\n");
      app.Shutdown();
      XCloseDisplay(display);
      return 1;
    }
    auto* editor = dynamic_cast<IGraphicsX11*>(app.Editor());
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(app.TimerPeriodMs());
    auto nextTick = Clock::now();

    while (!app.QuitRequested()) {
      // Events Xlib already read are not signalled by the descriptor: take them first.
      while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        window.Handle(event, app);
      }
      if (editor) editor->ProcessPendingEvents();

      const auto now = Clock::now();
      if (now >= nextTick) {
        if (editor) editor->OnTimer();
        window.CommitReleases(app);
        app.Tick();
        nextTick += period;
        if (nextTick < now) nextTick = now + period;  // after a long stall, no burst of ticks
        continue;
      }
      pollfd fds[3] = {{ConnectionNumber(display), POLLIN, 0},
                       {gSignalPipe[0], POLLIN, 0},
                       {editor ? editor->ConnectionFd() : -1, POLLIN, 0}};
      const int wait = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               nextTick - now).count()) + 1;
      poll(fds, fds[2].fd >= 0 ? 3 : 2, wait);
      if (fds[1].revents & POLLIN) {
        char drained[16];
        while (read(gSignalPipe[0], drained, sizeof drained) > 0) {
        }
        app.RequestQuit();
      }
    }
    status = app.Shutdown() ? 0 : 1;
  }
  XCloseDisplay(display);
  return status;
}

}  // namespace fluvia::app
