#pragma once
// The application run as a separate program by a test: its arguments and environment, its
// standard error kept in a file, its end awaited with a limit.

#include <string>
#include <utility>
#include <vector>

namespace fluvia::testing {

class ProgramProcess {
 public:
  // Starts `program` with the arguments; `environment` entries ("NAME=value") replace or add
  // to the test's own environment.
  ProgramProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment, const std::string& stderrFile);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  bool Running();
  int Pid() const { return pid_; }
  void Signal(int signal);
  // The exit status once it ended within the limit; -1 when it is still running (it is then
  // killed), 128 + n when a signal n ended it.
  int Wait(int timeoutMs);
  // What it wrote to standard error so far.
  std::string Errors() const;

 private:
  int pid_ = -1;
  int status_ = -1;
  std::string stderrFile_;
};

}  // namespace fluvia::testing
