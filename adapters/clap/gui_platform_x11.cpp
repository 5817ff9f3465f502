// Linux: the host hands over an X11 window id to embed into. The editor's X connection is read
// when the host's main loop sees its file descriptor readable, and the editor redraws on a
// host timer at its frame rate; both registrations end before the window closes, so a late
// callback finds nothing to act on.

#include "adapters/clap/gui_platform.h"
#include "graphics/x11/graphics_x11.h"

#include <cstdint>

namespace fluvia {

struct GuiPlatform::State {
  GuiHostServices services;
  IGraphicsX11* editor = nullptr;
  int fd = -1;
  bool fdRegistered = false;
  clap::Id timerId = clap::kInvalidId;
  bool timerRegistered = false;

  void Unregister() {
    if (timerRegistered && services.timers && services.timers->unregisterTimer) {
      services.timers->unregisterTimer(services.host, timerId);
    }
    if (fdRegistered && services.fds && services.fds->unregisterFd) {
      services.fds->unregisterFd(services.host, fd);
    }
    timerRegistered = fdRegistered = false;
    timerId = clap::kInvalidId;
    fd = -1;
    editor = nullptr;
  }
};

const char* GuiPlatform::WindowApi() { return clap::kWindowApiX11; }
bool GuiPlatform::UsesHostLoop() { return true; }

GuiPlatform::GuiPlatform() : state_(std::make_unique<State>()) {}
GuiPlatform::~GuiPlatform() = default;

bool GuiPlatform::Open(IEditorLink& editor, const clap::Window& parent,
                       const GuiHostServices& services) {
  Close(editor);
  void* parentWindow = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent.x11));
  open_ = editor.OpenWindow(parentWindow) != nullptr;
  auto* x11 = dynamic_cast<IGraphicsX11*>(&editor);
  if (!open_ || !x11) return open_;

  // A host without these extensions gets the window with its first picture only.
  state_->services = services;
  state_->editor = x11;
  if (services.fds && services.fds->registerFd) {
    state_->fd = x11->ConnectionFd();
    state_->fdRegistered =
        state_->fd >= 0 && services.fds->registerFd(services.host, state_->fd, clap::kPosixFdRead);
  }
  if (services.timers && services.timers->registerTimer) {
    clap::Id id = clap::kInvalidId;
    state_->timerRegistered =
        services.timers->registerTimer(services.host, uint32_t(x11->TimerPeriodMs()), &id);
    state_->timerId = id;
  }
  return open_;
}

void GuiPlatform::Close(IEditorLink& editor) {
  state_->Unregister();  // before the connection goes away
  if (open_ || editor.WindowIsOpen()) editor.CloseWindow();
  open_ = false;
}

void GuiPlatform::OnTimer(clap::Id timerId) {
  if (state_->editor && state_->timerRegistered && timerId == state_->timerId) {
    state_->editor->OnTimer();
  }
}

void GuiPlatform::OnFd(int fd, uint32_t /*flags*/) {
  if (state_->editor && state_->fdRegistered && fd == state_->fd) {
    state_->editor->ProcessPendingEvents();
  }
}

}  // namespace fluvia
