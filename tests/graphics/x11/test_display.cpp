#include "tests/graphics/x11/test_display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <vector>

extern char** environ;

namespace fluvia::testing {
namespace {

class XvfbServer {
 public:
  bool Start(std::string& why) {
    XInitThreads();  // the tests drive X from helper threads too
    int fds[2];
    if (pipe(fds) != 0) return Fail(why, "pipe failed");
    const std::string fd = std::to_string(fds[1]);
    const std::string screen =
        std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
    std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", screen,
                                     "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      close(fds[0]);
      pid_ = -1;
      return Fail(why, "cannot start Xvfb (is the xvfb package installed?)");
    }
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c[16];
      const ssize_t got = read(fds[0], c, sizeof c);
      if (got <= 0) break;
      number.append(c, size_t(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) return Fail(why, "Xvfb did not start");
    number.erase(number.find('\n'));
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
  }

  ~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }

 private:
  static bool Fail(std::string& why, const char* text) {
    why = text;
    return false;
  }

  pid_t pid_ = -1;
};

}  // namespace

bool StartTestDisplay(std::string& why) {
  static XvfbServer server;
  static std::once_flag once;
  static bool started = false;
  static std::string failure;
  std::call_once(once, [] { started = server.Start(failure); });
  why = failure;
  return started;
}

}  // namespace fluvia::testing
