// Windows: the host passes its window handle to embed into. The editor's window has its own
// timer on the host's UI thread, so the host's idle calls have nothing left to do.

#include "adapters/vst2/editor_platform.h"
#include "graphics/win/win_factory.h"

namespace fluvia {

GraphicsFactory EditorPlatform::WindowHost() { return WinGraphicsFactory(); }

bool EditorPlatform::Open(IEditorLink& editor, void* parent) {
  if (!parent) return false;
  return editor.OpenWindow(parent) != nullptr;
}

void EditorPlatform::Idle(IEditorLink& /*editor*/) {}

void EditorPlatform::Close(IEditorLink& editor) {
  if (editor.WindowIsOpen()) editor.CloseWindow();
}

}  // namespace fluvia
