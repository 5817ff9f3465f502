#include "graphics/headless/headless_factory.h"

namespace fluvia {

GraphicsFactory HeadlessGraphicsFactory(HeadlessOptions options) {
  return [options](IPluginCore& plugin, ArtworkSet set) -> std::unique_ptr<IGraphics> {
    return std::make_unique<IGraphicsHeadless>(plugin, set, options);
  };
}

}  // namespace fluvia
