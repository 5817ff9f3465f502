#pragma once
// A Linux host's side of editor embedding, for tests and benchmarks that open the editor of
// the built module: the frame the view is given and the run loop behind it. It records the
// registrations and lets the caller fire the timer and the connection's events.

#include <vector>

#include "pluginterfaces/gui/iplugview.h"

namespace fluvia::vst3test {

// The test code of this namespace speaks the SDK's names throughout.
using namespace Steinberg;

class HostFrame : public IPlugFrame, public Linux::IRunLoop {
 public:
  tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultOk; }
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                          Linux::FileDescriptor fd) override {
    handler->addRef();
    eventHandlers.push_back(handler);
    fds.push_back(fd);
    return kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override {
    return Forget(eventHandlers, handler);
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                   Linux::TimerInterval ms) override {
    handler->addRef();
    timers.push_back(handler);
    intervals.push_back(ms);
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
    return Forget(timers, handler);
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      *obj = static_cast<IPlugFrame*>(this);
    } else if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
      *obj = static_cast<Linux::IRunLoop*>(this);
    } else {
      *obj = nullptr;
      return kNoInterface;
    }
    return kResultOk;
  }
  uint32 PLUGIN_API addRef() override { return 1; }   // lives on the test's stack
  uint32 PLUGIN_API release() override { return 1; }

  // One turn of the host's loop: the connection's events, then the timer.
  void Turn() {
    for (auto* handler : eventHandlers) handler->onFDIsSet(fds.front());
    for (auto* timer : timers) timer->onTimer();
  }

  std::vector<Linux::IEventHandler*> eventHandlers;
  std::vector<Linux::ITimerHandler*> timers;
  std::vector<Linux::FileDescriptor> fds;
  std::vector<Linux::TimerInterval> intervals;

 private:
  template <typename T>
  tresult Forget(std::vector<T*>& list, T* handler) {
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (*it != handler) continue;
      list.erase(it);
      handler->release();
      return kResultOk;
    }
    return kResultFalse;
  }
};

}  // namespace fluvia::vst3test
