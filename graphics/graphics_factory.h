#pragma once
// How a deliverable (or a test) chooses the window host its editor runs on.

#include <functional>
#include <memory>

#include "graphics/graphics.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

class IPluginCore;

using GraphicsFactory = std::function<std::unique_ptr<IGraphics>(IPluginCore&, ArtworkSet)>;

}  // namespace fluvia
