#include "graphics/x11/x11_double_click.h"

#include <cstdlib>

namespace fluvia {

bool DoubleClickDetector::Press(unsigned button, unsigned long timeMs, int x, int y) {
  // Server time is a 32-bit millisecond counter that wraps; compare modulo 2^32.
  const unsigned long elapsed = (timeMs - lastTime_) & 0xffffffffUL;
  const bool isDouble = armed_ && button == lastButton_ && elapsed <= intervalMs_ &&
                        std::abs(x - lastX_) <= slop_ && std::abs(y - lastY_) <= slop_;
  armed_ = !isDouble;
  lastButton_ = button;
  lastTime_ = timeMs;
  lastX_ = x;
  lastY_ = y;
  return isDouble;
}

}  // namespace fluvia
