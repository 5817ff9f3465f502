#pragma once
// The platform-specific half of the VST2 editor: opening the editor inside the window the
// host passes (an X11 window id on Linux, a window handle on Windows) and the work the host's
// idle calls drive while it is open.

#include <chrono>

#include "framework/editor_link.h"
#include "graphics/graphics_factory.h"

namespace fluvia {

class EditorPlatform {
 public:
  // The window host the module's editor runs on (X11 child windows on Linux).
  static GraphicsFactory WindowHost();

  // Opens the editor window inside the host's window; false when it could not be opened.
  bool Open(IEditorLink& editor, void* parent);
  // The host's idle call: handles pending window events and redraws at the editor's rate.
  void Idle(IEditorLink& editor);
  // Closes what Open opened; harmless when nothing is open.
  void Close(IEditorLink& editor);

 private:
  std::chrono::steady_clock::time_point lastTick_{};
};

}  // namespace fluvia
