// Linux: the host passes the X11 window id to embed into, and calls the idle opcode from its
// UI thread while the editor is open. Every X call therefore happens on that thread: each idle
// call drains the editor's pending X events, and redraws once a timer period has passed since
// the last redraw (hosts call idle at their own pace, often faster than the editor's 25 frames
// per second).

#include "adapters/vst2/editor_platform.h"
#include "graphics/x11/graphics_x11.h"
#include "graphics/x11/x11_factory.h"

namespace fluvia {

GraphicsFactory EditorPlatform::WindowHost() { return X11GraphicsFactory(); }

bool EditorPlatform::Open(IEditorLink& editor, void* parent) {
  if (!parent) return false;
  const bool open = editor.OpenWindow(parent) != nullptr;
  lastTick_ = std::chrono::steady_clock::now();
  return open;
}

void EditorPlatform::Idle(IEditorLink& editor) {
  auto* x11 = dynamic_cast<IGraphicsX11*>(&editor);
  if (!x11 || !x11->WindowIsOpen()) return;
  x11->ProcessPendingEvents();
  const auto now = std::chrono::steady_clock::now();
  if (now - lastTick_ >= std::chrono::milliseconds(x11->TimerPeriodMs())) {
    lastTick_ = now;
    x11->OnTimer();
  }
}

void EditorPlatform::Close(IEditorLink& editor) {
  if (editor.WindowIsOpen()) editor.CloseWindow();
}

}  // namespace fluvia
