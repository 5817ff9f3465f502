#pragma once
// Makes file writes fail the way a full disk does, also for root (who ignores permissions):
// while it lives, no file may grow beyond a few bytes.

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

namespace fluvia::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // report EFBIG instead of killing us
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*previousHandler_)(int) = nullptr;
};

}  // namespace fluvia::testing
#endif
