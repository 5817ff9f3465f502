// Linux: the host hands over an X11 window id to embed into.
//
// The editor's X connection and its redraw timer are driven by the host's run loop
// (Linux::IRunLoop, offered by the host's IPlugFrame), so every X call happens on the host's
// UI thread: the connection's file descriptor is registered for reading and a timer at the
// editor's frame rate, both unregistered before the window closes.

#include <atomic>

#include "adapters/vst3/view_platform.h"
#include "graphics/x11/graphics_x11.h"
#include "pluginterfaces/base/smartpointer.h"

namespace fluvia {
namespace {

using namespace Steinberg;

// Receives the run loop's callbacks for one open editor window. The host holds references to
// it; once the window closes it forgets the editor, so a late callback does nothing.
class RunLoopHandler final : public Linux::IEventHandler, public Linux::ITimerHandler {
 public:
  explicit RunLoopHandler(IGraphicsX11* editor) : editor_(editor) {}

  void Detach() { editor_ = nullptr; }

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
    if (editor_) editor_->ProcessPendingEvents();
  }
  void PLUGIN_API onTimer() override {
    if (editor_) editor_->OnTimer();
  }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      *obj = static_cast<Linux::IEventHandler*>(this);
    } else if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid)) {
      *obj = static_cast<Linux::ITimerHandler*>(this);
    } else {
      *obj = nullptr;
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32 PLUGIN_API addRef() override { return ++references_; }
  uint32 PLUGIN_API release() override {
    const uint32 left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  IGraphicsX11* editor_;
  std::atomic<uint32> references_{1};
};

}  // namespace

struct ViewPlatform::PlatformState {
  IPtr<Linux::IRunLoop> runLoop;
  RunLoopHandler* handler = nullptr;  // one reference held here

  void Unregister() {
    if (!handler) return;
    handler->Detach();
    if (runLoop) {
      runLoop->unregisterTimer(handler);
      runLoop->unregisterEventHandler(handler);
    }
    handler->release();
    handler = nullptr;
    runLoop = nullptr;
  }
  ~PlatformState() { Unregister(); }
};

const char* EditorPlatformType() { return Steinberg::kPlatformTypeX11EmbedWindowID; }

ViewPlatform::ViewPlatform() = default;
ViewPlatform::~ViewPlatform() = default;

bool ViewPlatform::Open(IEditorLink& editor, void* parent, Steinberg::IPlugFrame* frame) {
  open_ = editor.OpenWindow(parent) != nullptr;
  auto* x11 = dynamic_cast<IGraphicsX11*>(&editor);
  if (!open_ || !x11 || !frame) return open_;

  Linux::IRunLoop* runLoop = nullptr;
  if (frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&runLoop)) !=
          kResultOk ||
      !runLoop) {
    return open_;  // a host without a run loop: the window shows its first picture only
  }
  state_ = std::make_unique<PlatformState>();
  state_->runLoop = owned(runLoop);
  state_->handler = new RunLoopHandler(x11);
  runLoop->registerEventHandler(state_->handler, x11->ConnectionFd());
  runLoop->registerTimer(state_->handler, Linux::TimerInterval(x11->TimerPeriodMs()));
  return open_;
}

void ViewPlatform::Close(IEditorLink& editor) {
  state_.reset();  // unregister before the connection goes away
  if (open_ || editor.WindowIsOpen()) editor.CloseWindow();
  open_ = false;
}

}  // namespace fluvia
