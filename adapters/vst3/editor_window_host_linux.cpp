#include "adapters/vst3/editor_window_host.h"

#include "graphics/x11/x11_factory.h"

namespace fluvia {

// The editor embeds into the host's X11 window.
GraphicsFactory EditorWindowHost() { return X11GraphicsFactory(); }

}  // namespace fluvia
