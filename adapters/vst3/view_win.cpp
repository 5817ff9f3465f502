// Windows: the host hands over an HWND to embed into; the editor's own window procedure and
// timer need nothing from the host.

#include "adapters/vst3/view_platform.h"

namespace fluvia {

const char* EditorPlatformType() { return Steinberg::kPlatformTypeHWND; }

struct ViewPlatform::PlatformState {};

ViewPlatform::ViewPlatform() = default;
ViewPlatform::~ViewPlatform() = default;

bool ViewPlatform::Open(IEditorLink& editor, void* parent, Steinberg::IPlugFrame* /*frame*/) {
  open_ = editor.OpenWindow(parent) != nullptr;
  return open_;
}

void ViewPlatform::Close(IEditorLink& editor) {
  if (open_ || editor.WindowIsOpen()) editor.CloseWindow();
  open_ = false;
}

}  // namespace fluvia
