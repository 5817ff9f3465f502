// Windows: the host hands over an HWND to embed into; the editor's own window procedure and
// timer need nothing from the host.

#include "adapters/clap/gui_platform.h"

namespace fluvia {

struct GuiPlatform::State {};

const char* GuiPlatform::WindowApi() { return clap::kWindowApiWin32; }
bool GuiPlatform::UsesHostLoop() { return false; }

GuiPlatform::GuiPlatform() = default;
GuiPlatform::~GuiPlatform() = default;

bool GuiPlatform::Open(IEditorLink& editor, const clap::Window& parent,
                       const GuiHostServices& /*services*/) {
  Close(editor);
  open_ = parent.win32 && editor.OpenWindow(parent.win32) != nullptr;
  return open_;
}

void GuiPlatform::Close(IEditorLink& editor) {
  if (open_ || editor.WindowIsOpen()) editor.CloseWindow();
  open_ = false;
}

void GuiPlatform::OnTimer(clap::Id /*timerId*/) {}
void GuiPlatform::OnFd(int /*fd*/, uint32_t /*flags*/) {}

}  // namespace fluvia
