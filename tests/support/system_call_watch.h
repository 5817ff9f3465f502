// Test support: runs code on a thread of its own that may make no system call, and reports
// the ones it made. A seccomp filter installed on that thread alone turns every system call
// into a signal whose handler records its number (the call itself then fails with ENOSYS);
// only the calls a thread needs to end are let through. Use it around the audio path:
//
//   const auto calls = fluvia::test_support::SystemCallsOf([&] { plugin.ProcessBuffers(n); });
//   EXPECT_TRUE(calls.empty());
//
// Linux x86-64 builds without a sanitizer only; elsewhere SystemCallWatchSupported() is false
// and nothing is watched.
#pragma once

#include <functional>
#include <vector>

namespace fluvia {
namespace test_support {

bool SystemCallWatchSupported();

// The numbers of the system calls `body` made, in order (at most 64 are kept). A futex call
// (a wait for a lock, a wake of a waiter) is let through unrecorded, because ending a thread
// may need one; a wait that put the thread to sleep shows in `sleeps`: the times the thread
// gave up its processor during `body` (none unless it waited for something).
std::vector<long> SystemCallsOf(const std::function<void()>& body, long* sleeps = nullptr);

}  // namespace test_support
}  // namespace fluvia
