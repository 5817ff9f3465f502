#pragma once
// The window host factory for tests and tools: editors that draw into memory.

#include "graphics/graphics_factory.h"
#include "graphics/headless/graphics_headless.h"

namespace fluvia {

GraphicsFactory HeadlessGraphicsFactory(HeadlessOptions options = {});

}  // namespace fluvia
