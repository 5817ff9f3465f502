#include "framework/deferred_worker.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/plugin_core.h"

namespace fluvia {
namespace {

struct WorkerState {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<IPluginCore*> cores;
  IPluginCore* busyWith = nullptr;  // the instance the thread is working in, outside the lock
  std::thread thread;
  bool stop = false;
};

// Never destroyed: the module may be unloaded after its last instance is gone, and a static
// destructor must not find a thread to join then.
WorkerState& State() {
  static WorkerState* state = new WorkerState;
  return *state;
}

void Run() {
  WorkerState& state = State();
  std::unique_lock<std::mutex> lock(state.lock);
  while (!state.stop) {
    for (size_t i = 0; i < state.cores.size() && !state.stop; ++i) {
      IPluginCore* core = state.cores[i];
      if (!core->HasDeferredWork()) continue;
      state.busyWith = core;
      lock.unlock();
      core->FinishDeferredWork();
      lock.lock();
      state.busyWith = nullptr;
      state.changed.notify_all();
    }
    state.changed.wait_for(lock, std::chrono::milliseconds(DeferredWorker::kPollMilliseconds),
                           [&] { return state.stop; });
  }
}

}  // namespace

void DeferredWorker::Register(IPluginCore* core) {
  WorkerState& state = State();
  std::lock_guard<std::mutex> lock(state.lock);
  state.cores.push_back(core);
  if (state.thread.joinable()) return;
  state.stop = false;
  try {
    state.thread = std::thread(Run);
  } catch (const std::system_error&) {
    // No thread to be had: handed-on commands wait until FinishDeferredWork runs them.
  }
}

void DeferredWorker::Unregister(IPluginCore* core) {
  WorkerState& state = State();
  std::thread ending;
  {
    std::unique_lock<std::mutex> lock(state.lock);
    state.cores.erase(std::remove(state.cores.begin(), state.cores.end(), core),
                      state.cores.end());
    state.changed.wait(lock, [&] { return state.busyWith != core; });
    if (!state.cores.empty() || !state.thread.joinable()) return;
    state.stop = true;
    ending = std::move(state.thread);
  }
  state.changed.notify_all();
  ending.join();
}

}  // namespace fluvia
