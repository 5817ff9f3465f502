#pragma once
// The window host a plug-in module's editor runs on: the platform's embedded-window host (X11
// child windows on Linux, Win32 child windows on Windows). Each platform's window host library
// defines it, so a module links the one of its platform and every format shares the choice.

#include "graphics/graphics_factory.h"

namespace fluvia {

GraphicsFactory EditorWindowHost();

}  // namespace fluvia
