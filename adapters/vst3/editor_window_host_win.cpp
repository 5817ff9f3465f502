#include "adapters/vst3/editor_window_host.h"

#include "graphics/win/win_factory.h"

namespace fluvia {

// The editor is a Win32 child window of the host's window.
GraphicsFactory EditorWindowHost() { return WinGraphicsFactory(); }

}  // namespace fluvia
