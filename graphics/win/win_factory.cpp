#include "graphics/win/win_factory.h"

#include "graphics/editor_window_host.h"
#include "graphics/win/graphics_win.h"

namespace fluvia {

GraphicsFactory WinGraphicsFactory() {
  return [](IPluginCore& plugin, ArtworkSet set) -> std::unique_ptr<IGraphics> {
    return std::make_unique<IGraphicsWin>(plugin, set);
  };
}

// On Windows the editor is a Win32 child window of the host's window.
GraphicsFactory EditorWindowHost() { return WinGraphicsFactory(); }

}  // namespace fluvia
