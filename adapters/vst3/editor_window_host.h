#pragma once
// The window host the module's editor runs on: the platform's embedded-window host once it
// exists for this platform, otherwise none, and the instrument then has no editor (the view
// then admits no platform type and has no size, which hosts understand as "no editor").

#include "graphics/graphics_factory.h"

namespace fluvia {

GraphicsFactory EditorWindowHost();

}  // namespace fluvia
