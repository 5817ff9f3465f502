#pragma once
// The platform-specific half of the CLAP editor: which window API the editor embeds into, and
// the work around opening and closing the window that depends on the windowing system. On
// Linux the host's main loop drives the editor: its X connection's file descriptor and its
// redraw timer are registered with the host's posix-fd-support and timer-support extensions,
// so every X call happens on the host's main thread and nothing ever waits for it.

#include <memory>

#include "adapters/clap/clap_abi.h"
#include "framework/editor_link.h"

namespace fluvia {

// The host's side of an embedded editor: the host and its extensions (each may be null).
struct GuiHostServices {
  const clap::Host* host = nullptr;
  const clap::HostTimerSupport* timers = nullptr;
  const clap::HostPosixFdSupport* fds = nullptr;
};

class GuiPlatform {
 public:
  // "x11" on Linux, "win32" on Windows.
  static const char* WindowApi();
  // Whether the plug-in offers the timer and file-descriptor callbacks on this platform.
  static bool UsesHostLoop();

  GuiPlatform();
  ~GuiPlatform();
  GuiPlatform(const GuiPlatform&) = delete;
  GuiPlatform& operator=(const GuiPlatform&) = delete;

  // Opens the editor window inside the host's window; false when it could not be opened.
  bool Open(IEditorLink& editor, const clap::Window& parent, const GuiHostServices& services);
  // Closes what Open opened (the host registrations first); harmless when nothing is open.
  void Close(IEditorLink& editor);
  bool IsOpen() const { return open_; }

  // The host's callbacks; calls for timers or descriptors that are not the editor's do nothing.
  void OnTimer(clap::Id timerId);
  void OnFd(int fd, uint32_t flags);

 private:
  struct State;
  std::unique_ptr<State> state_;
  bool open_ = false;
};

}  // namespace fluvia
