#pragma once
// Plain X11 has no file, colour or message dialogs of its own. The editor borrows the
// desktop's through its command-line front ends (zenity, else kdialog), found on PATH; with
// neither installed these prompts answer "cancelled".

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/draw_records.h"

namespace fluvia {

struct ProcessResult {
  bool started = false;
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string output;  // what it wrote to its standard output
};

// Full path of an executable found on PATH, or empty.
std::string FindOnPath(const std::string& name);

// A dialog program running beside the editor: started with the standard input closed and
// its standard output on a pipe, in a process group of its own. Nothing here waits for it
// while it runs: Poll() reads what has arrived and reaps the program once it has finished.
// Destroying it while the program still runs ends the whole group and reaps it.
class ChildProcess {
 public:
  // Starts argv[0] (searched on PATH); null when it cannot be started.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads the output that is waiting; true once the program has closed its output and been
  // reaped, when Result() holds its exit code and everything it wrote.
  bool Poll();
  const ProcessResult& Result() const { return result_; }
  int Pid() const { return pid_; }
  // The output pipe while it is open (for waiting on it), else -1.
  int OutputFd() const { return out_; }

 private:
  ChildProcess(int pid, int out);
  void Reap(int options);

  int pid_;
  int out_;
  bool reaped_ = false;
  ProcessResult result_;
};

// Starts argv[0] like ChildProcess and waits for it, calling `idle` about every 40 ms
// meanwhile so that the caller's window stays painted.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::function<void()>& idle = {});

enum class DialogTool { kNone, kZenity, kKDialog };

DialogTool FindDialogTool();

// Command lines for each tool. `start` is the file (or folder) the dialog opens on; extensions
// are space-separated and without dots, as the editor passes them; `typeName` is what such
// files are called ("Fluvia preset"), empty when they have no name.
std::vector<std::string> FileDialogCommand(DialogTool tool, int mode, const std::string& start,
                                           const std::string& extensions,
                                           const std::string& typeName = std::string());
std::vector<std::string> ColorDialogCommand(DialogTool tool, const IArgbColor& color,
                                            const char* title);
// `type` is the Windows message box type (0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No).
std::vector<std::string> MessageBoxCommand(DialogTool tool, const char* text,
                                           const char* caption, int type);

// The answer code (1 OK, 2 Cancel, 6 Yes, 7 No) for a message box tool's exit code, and the
// one to use when no dialog can be shown: a confirmation is then declined.
int MessageBoxAnswer(int type, const ProcessResult& result);

// Reads "rgb(r,g,b)", "rgba(r,g,b,a)" (zenity) or "#rrggbb" (kdialog).
bool ParseColorAnswer(const std::string& text, IArgbColor& color);

// The first line of a dialog's output, without its line end.
std::string FirstLine(const std::string& output);

}  // namespace fluvia
