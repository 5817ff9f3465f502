#pragma once
// Work that reaches the plug-in on a thread that may not do it: a preset command automated by
// the host (it reads a file) or a program change that restores a preset, arriving on the audio
// thread. The command waits here for the module's worker (DeferredWorker), which runs it
// under the instance mutex.
//
// A bounded queue with fixed storage: putting a command in never allocates, never waits and
// never wakes anyone, from any number of threads at once; taking one out is done by one
// thread at a time (the one that holds the instance mutex). When kCapacity commands wait, a
// further one is dropped and counted: a host that sends more than that between two passes of
// the worker loses the surplus, never the ones before it.

#include <atomic>
#include <cstdint>

namespace fluvia {

struct DeferredCommand {
  enum class Kind : int32_t {
    ParamCommand,   // a parameter change whose handling needs the worker: index, value
    RestorePreset,  // the base's own preset slot `index`
  };
  Kind kind = Kind::ParamCommand;
  int32_t index = 0;
  double value = 0.0;
};

class DeferredCommandQueue {
 public:
  static constexpr uint32_t kCapacity = 128;  // a power of two

  DeferredCommandQueue();
  DeferredCommandQueue(const DeferredCommandQueue&) = delete;
  DeferredCommandQueue& operator=(const DeferredCommandQueue&) = delete;

  // Any thread. False (and counted) when the queue is full.
  bool Push(const DeferredCommand& command);
  // One thread at a time. False when nothing waits.
  bool Pop(DeferredCommand& command);
  bool Empty() const;
  uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  struct Cell {
    std::atomic<uint32_t> sequence{0};
    DeferredCommand command;
  };
  Cell cells_[kCapacity];
  std::atomic<uint32_t> enqueue_{0};
  std::atomic<uint32_t> dequeue_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace fluvia
