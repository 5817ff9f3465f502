#include "graphics/x11/x11_keys.h"

#include <X11/keysym.h>

namespace fluvia {

int VirtualKeyFromKeySym(unsigned long keysym) {
  switch (keysym) {
    case XK_space:
    case XK_KP_Space: return 32;
    case XK_Left:
    case XK_KP_Left: return 37;
    case XK_Up:
    case XK_KP_Up: return 38;
    case XK_Right:
    case XK_KP_Right: return 39;
    case XK_Down:
    case XK_KP_Down: return 40;
    default: break;
  }
  if (keysym >= XK_0 && keysym <= XK_9) return int(keysym - XK_0) + 48;
  // Windows reports the keypad's digits as 96..105, which the editor would read as letters;
  // here they stay digits.
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return int(keysym - XK_KP_0) + 48;
  if (keysym >= XK_a && keysym <= XK_z) return int(keysym - XK_a) + 65;
  if (keysym >= XK_A && keysym <= XK_Z) return int(keysym - XK_A) + 65;
  return -1;
}

}  // namespace fluvia
