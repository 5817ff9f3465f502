#include "tests/app/program/program_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fluvia::testing {

ProgramProcess::ProgramProcess(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment,
                               const std::string& stderrFile)
    : stderrFile_(stderrFile) {
  std::vector<std::string> args = {program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& own : environment) {
      if (own.substr(0, own.find('=')) == name) replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
}

ProgramProcess::~ProgramProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    Wait(5000);
  }
}

bool ProgramProcess::Running() {
  if (pid_ <= 0 || status_ >= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

void ProgramProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

int ProgramProcess::Wait(int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    if (!Running()) return status_;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (Running()) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = 128 + SIGKILL;
    return -1;
  }
  return status_;
}

std::string ProgramProcess::Errors() const {
  std::ifstream in(stderrFile_);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace fluvia::testing
