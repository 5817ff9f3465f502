// Linux: the host hands over an X11 window id to embed into.
//
// The editor's redraw timer and its X connection's events must run on the host's UI thread,
// which on Linux is reached through the Linux::IRunLoop that the host's IPlugFrame offers.
// Open() is the place to register them (query the frame for Linux::IRunLoop, register a timer
// handler and the X connection's file descriptor) and Close() the place to unregister them;
// until that is wired the editor window keeps its own timing.

#include "adapters/vst3/view_platform.h"

namespace fluvia {

const char* EditorPlatformType() { return Steinberg::kPlatformTypeX11EmbedWindowID; }

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
