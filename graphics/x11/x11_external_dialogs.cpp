#include "graphics/x11/x11_external_dialogs.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/file_filter.h"

extern char** environ;

namespace fluvia {
namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

std::string HexColor(const IArgbColor& color) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", unsigned(color.r & 0xff),
                unsigned(color.g & 0xff), unsigned(color.b & 0xff));
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string FindOnPath(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    // An empty entry means the current directory; a plug-in should not run programs from
    // wherever the host happens to be.
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return {};
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv) {
  if (argv.empty()) return nullptr;
  const std::string program = FindOnPath(argv[0]);
  if (program.empty()) return nullptr;

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  // A group of its own: ending the dialog ends whatever it started too, and the terminal's
  // signals meant for the host do not reach it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args[0] = const_cast<char*>(program.c_str());
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return nullptr;
  }
  fcntl(out[0], F_SETFL, fcntl(out[0], F_GETFL) | O_NONBLOCK);
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, out[0]));
}

ChildProcess::ChildProcess(int pid, int out) : pid_(pid), out_(out) { result_.started = true; }

ChildProcess::~ChildProcess() {
  if (out_ >= 0) close(out_);
  if (!reaped_) Reap(WNOHANG);
  if (reaped_) return;
  // Still running (its window is up): end the group, give it a moment (at most 40 ms) to go
  // quietly, then make sure. Either way it is reaped here, never left behind as a zombie.
  kill(-pid_, SIGTERM);
  for (int i = 0; i < 20 && !reaped_; ++i) {
    Reap(WNOHANG);
    if (!reaped_) usleep(2000);
  }
  if (!reaped_) {
    kill(-pid_, SIGKILL);
    Reap(0);
  }
}

void ChildProcess::Reap(int options) {
  int status = 0;
  pid_t got;
  while ((got = waitpid(pid_, &status, options)) < 0 && errno == EINTR) {
  }
  if (got == 0) return;  // still running
  reaped_ = true;
  // Reaped by someone else (a host that collects every child): the exit code is unknown.
  result_.exitCode = got == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ChildProcess::Poll() {
  if (reaped_) return true;
  char buffer[4096];
  while (out_ >= 0) {
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;  // nothing yet
    if (got <= 0) {
      // The dialog closed its output: it is finishing.
      close(out_);
      out_ = -1;
      break;
    }
    // A dialog answers with a path or a colour; anything larger is not an answer.
    if (result_.output.size() < 65536) result_.output.append(buffer, size_t(got));
  }
  Reap(WNOHANG);
  return reaped_;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::function<void()>& idle) {
  std::unique_ptr<ChildProcess> child = ChildProcess::Start(argv);
  if (!child) return {};
  while (!child->Poll()) {
    pollfd fd{child->OutputFd(), POLLIN, 0};
    // Once the output is closed only the exit is awaited; the wait stays short either way.
    const int ready = fd.fd >= 0 ? poll(&fd, 1, 40) : (usleep(5000), 0);
    if (ready <= 0 && idle) idle();
  }
  return child->Result();
}

DialogTool FindDialogTool() {
  if (!FindOnPath("zenity").empty()) return DialogTool::kZenity;
  if (!FindOnPath("kdialog").empty()) return DialogTool::kKDialog;
  return DialogTool::kNone;
}

std::vector<std::string> FileDialogCommand(DialogTool tool, int mode, const std::string& start,
                                           const std::string& extensions,
                                           const std::string& typeName) {
  const bool save = mode == 1;
  const std::vector<std::string> types = SplitFileExtensions(extensions);
  // Each tool shows the description ("Fluvia preset (*.fluviapreset)") in its type list.
  const std::string description = FileFilterDescription(typeName, types);
  const std::string title = save ? "Save As" : "Open";
  if (tool == DialogTool::kZenity) {
    std::vector<std::string> cmd = {"zenity", "--file-selection", "--title=" + title};
    if (save) {
      cmd.push_back("--save");
      cmd.push_back("--confirm-overwrite");
    }
    if (!start.empty()) cmd.push_back("--filename=" + start);
    if (!types.empty()) {
      cmd.push_back("--file-filter=" + description + " | " + FilePatterns(types, " "));
    }
    cmd.push_back("--file-filter=All files | *");
    return cmd;
  }
  if (tool == DialogTool::kKDialog) {
    std::vector<std::string> cmd = {"kdialog", "--title", title,
                                    save ? "--getsavefilename" : "--getopenfilename",
                                    start.empty() ? "." : start};
    if (!types.empty()) cmd.push_back(FilePatterns(types, " ") + "|" + description);
    return cmd;
  }
  return {};
}

std::vector<std::string> ColorDialogCommand(DialogTool tool, const IArgbColor& color,
                                            const char* title) {
  const std::string prompt = title && *title ? title : "Colour";
  if (tool == DialogTool::kZenity) {
    char rgb[48];
    std::snprintf(rgb, sizeof rgb, "rgb(%d,%d,%d)", color.r & 0xff, color.g & 0xff,
                  color.b & 0xff);
    return {"zenity", "--color-selection", "--title=" + prompt, std::string("--color=") + rgb};
  }
  if (tool == DialogTool::kKDialog) {
    return {"kdialog", "--title", prompt, "--getcolor", "--default", HexColor(color)};
  }
  return {};
}

std::vector<std::string> MessageBoxCommand(DialogTool tool, const char* text,
                                           const char* caption, int type) {
  const std::string body = text ? text : "";
  const std::string title = caption ? caption : "";
  const int kind = type & 0xf;
  if (tool == DialogTool::kZenity) {
    std::vector<std::string> cmd = {"zenity", "--title=" + title, "--text=" + body,
                                    "--no-markup"};
    if (kind == 0) {
      cmd.insert(cmd.begin() + 1, (type & 0xf0) == 0x10 ? "--error" : "--info");
    } else {
      cmd.insert(cmd.begin() + 1, "--question");
      cmd.push_back(kind == 1 ? "--ok-label=OK" : "--ok-label=Yes");
      cmd.push_back(kind == 1 ? "--cancel-label=Cancel" : "--cancel-label=No");
    }
    return cmd;
  }
  if (tool == DialogTool::kKDialog) {
    if (kind == 0) return {"kdialog", "--title", title, "--msgbox", body};
    if (kind == 3) return {"kdialog", "--title", title, "--yesnocancel", body};
    if (kind == 1) {
      return {"kdialog", "--title", title, "--yesno", body, "--yes-label", "OK", "--no-label",
              "Cancel"};
    }
    return {"kdialog", "--title", title, "--yesno", body};
  }
  return {};
}

int MessageBoxAnswer(int type, const ProcessResult& result) {
  const int kind = type & 0xf;
  const bool asks = kind != 0;
  if (!result.started || result.exitCode < 0 || result.exitCode > 2) {
    // Nobody could answer: an information box counts as read, a question as declined.
    if (!asks) return kIdOk;
    return kind == 1 || kind == 3 ? kIdCancel : kIdNo;
  }
  if (!asks) return kIdOk;
  const bool yes = result.exitCode == 0;
  if (kind == 1) return yes ? kIdOk : kIdCancel;
  if (result.exitCode == 2) return kIdCancel;
  return yes ? kIdYes : kIdNo;
}

bool ParseColorAnswer(const std::string& text, IArgbColor& color) {
  const std::string line = FirstLine(text);
  int r = 0, g = 0, b = 0;
  if (line.size() == 7 && line[0] == '#') {
    int digits[6];
    for (int i = 0; i < 6; ++i) {
      digits[i] = HexDigit(line[size_t(i) + 1]);
      if (digits[i] < 0) return false;
    }
    r = digits[0] * 16 + digits[1];
    g = digits[2] * 16 + digits[3];
    b = digits[4] * 16 + digits[5];
  } else {
    double a = 1.0;
    char tail = 0;
    const bool rgb = std::sscanf(line.c_str(), "rgb(%d,%d,%d%c", &r, &g, &b, &tail) == 4;
    const bool rgba =
        !rgb && std::sscanf(line.c_str(), "rgba(%d,%d,%d,%lf%c", &r, &g, &b, &a, &tail) == 5;
    if ((!rgb && !rgba) || tail != ')') return false;
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
  }
  color.r = r;
  color.g = g;
  color.b = b;
  return true;
}

std::string FirstLine(const std::string& output) {
  const size_t end = output.find_first_of("\r\n");
  return end == std::string::npos ? output : output.substr(0, end);
}

}  // namespace fluvia
