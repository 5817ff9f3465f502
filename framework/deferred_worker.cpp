#include "framework/deferred_worker.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/plugin_core.h"

namespace fluvia {
namespace {

// One run of the thread: from the first instance registered to the last one gone. Each run has
// a state of its own, so a run that is ending never meets the instances of the next.
struct WorkerState {
  std::condition_variable changed;
  std::vector<IPluginCore*> cores;
  IPluginCore* busyWith = nullptr;  // the instance the thread is working in, outside the lock
  std::thread thread;
  bool stop = false;
};

// Guards every run's state. A plain static that needs no tearing down, so nothing is left to
// destroy or join when the module is unloaded after its last instance; the state of a run
// lives only as long as the run, so nothing of it stays behind either.
std::mutex gLock;
WorkerState* gCurrent = nullptr;  // the run the instances registered now belong to

void Run(WorkerState* state) {
  std::unique_lock<std::mutex> lock(gLock);
  while (!state->stop) {
    for (size_t i = 0; i < state->cores.size() && !state->stop; ++i) {
      IPluginCore* core = state->cores[i];
      if (!core->HasDeferredWork()) continue;
      state->busyWith = core;
      lock.unlock();
      core->FinishDeferredWork();
      lock.lock();
      state->busyWith = nullptr;
      state->changed.notify_all();
    }
    state->changed.wait_for(lock, std::chrono::milliseconds(DeferredWorker::kPollMilliseconds),
                            [&] { return state->stop; });
  }
}

}  // namespace

void DeferredWorker::Register(IPluginCore* core) {
  std::lock_guard<std::mutex> lock(gLock);
  if (!gCurrent) {
    auto state = std::make_unique<WorkerState>();
    state->cores.reserve(16);
    try {
      state->thread = std::thread(Run, state.get());
    } catch (const std::system_error&) {
      // No thread to be had: handed-on commands wait until FinishDeferredWork runs them.
    }
    gCurrent = state.release();
  }
  gCurrent->cores.push_back(core);
}

void DeferredWorker::Unregister(IPluginCore* core) {
  std::unique_ptr<WorkerState> ending;
  {
    std::unique_lock<std::mutex> lock(gLock);
    WorkerState* state = gCurrent;
    if (!state) return;
    state->cores.erase(std::remove(state->cores.begin(), state->cores.end(), core),
                       state->cores.end());
    state->changed.wait(lock, [&] { return state->busyWith != core; });
    if (!state->cores.empty()) return;
    // The last instance: the run ends. An instance registered from now on starts the next.
    gCurrent = nullptr;
    state->stop = true;
    ending.reset(state);
  }
  ending->changed.notify_all();
  if (ending->thread.joinable()) ending->thread.join();
}

}  // namespace fluvia
