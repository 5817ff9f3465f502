#pragma once
// The one thread of the loaded module that runs, for every instance, the commands its audio
// thread handed on (DeferredCommandQueue): every kPollMilliseconds it looks at each
// instance's queue and runs what waits there, under that instance's mutex. The audio thread
// never wakes it (a wake-up is a system call); it only puts the command in the queue.
//
// The thread runs while at least one instance is registered: it starts with the first one and
// ends with the last, so a module without instances has no thread of its own (and never joins
// one while it is being unloaded).

namespace fluvia {

class IPluginCore;

class DeferredWorker {
 public:
  static constexpr int kPollMilliseconds = 5;

  // From the instance's constructor.
  static void Register(IPluginCore* core);
  // Before the instance is taken apart: returns once the worker is not inside it, and never
  // enters it again.
  static void Unregister(IPluginCore* core);
};

}  // namespace fluvia
