#include "graphics/win/win_factory.h"

#include "graphics/win/graphics_win.h"

namespace fluvia {

GraphicsFactory WinGraphicsFactory() {
  return [](IPluginCore& plugin, ArtworkSet set) -> std::unique_ptr<IGraphics> {
    return std::make_unique<IGraphicsWin>(plugin, set);
  };
}

}  // namespace fluvia
