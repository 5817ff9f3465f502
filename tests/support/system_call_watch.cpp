#include "tests/support/system_call_watch.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

// The sanitizers' runtimes make system calls of their own on every thread (shadow memory,
// thread teardown), so the watch runs in the plain builds only.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FLUVIA_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FLUVIA_UNDER_SANITIZER 1
#endif
#endif

#if defined(__linux__) && defined(__x86_64__) && !defined(FLUVIA_UNDER_SANITIZER)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#define FLUVIA_SYSCALL_WATCH 1
#endif

namespace fluvia {
namespace test_support {

#ifdef FLUVIA_SYSCALL_WATCH
namespace {

constexpr int kKept = 64;
std::atomic<int> g_count{0};
std::atomic<bool> g_watching{false};
long g_calls[kKept];

void OnSystemCall(int, siginfo_t* info, void*) {
  if (!g_watching.load(std::memory_order_relaxed)) return;
  const int slot = g_count.fetch_add(1, std::memory_order_relaxed);
  if (slot < kKept) g_calls[slot] = info->si_syscall;
}

// Lets through what ending the thread and returning from the handler need (also a
// sanitizer's thread teardown), futex (a sleeping wait shows in the thread's count of
// voluntary switches instead) and getrusage, which reads that count around the body. Traps
// the rest.
bool InstallFilter() {
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_rt_sigreturn, 8, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_exit, 7, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_munmap, 6, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_madvise, 5, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_rt_sigprocmask, 4, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_sigaltstack, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_futex, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_getrusage, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog filter{static_cast<unsigned short>(sizeof(program) / sizeof(program[0])), program};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

}  // namespace

bool SystemCallWatchSupported() { return true; }

namespace {

long VoluntarySwitches() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

}  // namespace

std::vector<long> SystemCallsOf(const std::function<void()>& body, long* sleeps) {
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_sigaction = OnSystemCall;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSYS, &action, &previous);
  g_count = 0;
  bool installed = false;
  long switches = 0;
  std::thread watched([&] {
    // This thread's allocator must be set up before the filter: freeing the thread's own
    // record at its end would otherwise need a system call.
    void* volatile warm = std::malloc(64);
    std::free(warm);
    installed = InstallFilter();
    if (!installed) return;
    const long before = VoluntarySwitches();
    g_watching = true;
    body();
    g_watching = false;
    switches = VoluntarySwitches() - before;
  });
  watched.join();
  sigaction(SIGSYS, &previous, nullptr);
  if (sleeps) *sleeps = switches;
  std::vector<long> calls;
  if (!installed) {
    calls.push_back(-1);  // the watch could not be set up: never report "none"
    return calls;
  }
  const int n = std::min(g_count.load(), kKept);
  for (int i = 0; i < n; ++i) calls.push_back(g_calls[i]);
  return calls;
}
#else
bool SystemCallWatchSupported() { return false; }
std::vector<long> SystemCallsOf(const std::function<void()>& body, long* sleeps) {
  body();
  if (sleeps) *sleeps = 0;
  return {};
}
#endif

}  // namespace test_support
}  // namespace fluvia
