#include "graphics/x11/x11_factory.h"

#include "graphics/editor_window_host.h"
#include "graphics/x11/graphics_x11.h"

namespace fluvia {

GraphicsFactory X11GraphicsFactory() {
  return [](IPluginCore& plugin, ArtworkSet set) -> std::unique_ptr<IGraphics> {
    return std::make_unique<IGraphicsX11>(plugin, set);
  };
}

// On Linux the editor embeds into the host's X11 window.
GraphicsFactory EditorWindowHost() { return X11GraphicsFactory(); }

}  // namespace fluvia
