#pragma once
// The window host factory of the Windows plug-in modules: editors in Win32 child windows.

#include "graphics/graphics_factory.h"

namespace fluvia {

GraphicsFactory WinGraphicsFactory();

}  // namespace fluvia
