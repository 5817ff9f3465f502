#pragma once
// The window host factory of the Linux plug-in modules: editors in X11 child windows.

#include "graphics/graphics_factory.h"

namespace fluvia {

GraphicsFactory X11GraphicsFactory();

}  // namespace fluvia
