#include "adapters/vst3/editor_window_host.h"

namespace fluvia {

// No embedded-window host is built for this platform yet (the X11 host is on its way); the
// empty factory makes the instrument build no editor.
GraphicsFactory EditorWindowHost() { return {}; }

}  // namespace fluvia
