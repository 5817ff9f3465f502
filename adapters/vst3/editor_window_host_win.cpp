#include "adapters/vst3/editor_window_host.h"

namespace fluvia {

// No Win32 window host is built yet; the empty factory makes the instrument build no editor.
GraphicsFactory EditorWindowHost() { return {}; }

}  // namespace fluvia
