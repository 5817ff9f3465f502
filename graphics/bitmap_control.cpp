#include "graphics/bitmap_control.h"

#include "graphics/graphics.h"

namespace fluvia {

int FrameForValue(double value, int frames) {
  if (frames < 2) return 1;
  const double position = double(frames - 1) * value + 0.5;
  if (!(position >= 1.0)) return 1;  // also NaN
  if (position >= double(frames)) return frames;
  return int(position) + 1;
}

IBitmapControl::IBitmapControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                               const IBitmapStrip& strip, const IBlendMode& blend)
    : IControl(plugin, rect, paramIdx, blend), strip_(strip) {}

bool IBitmapControl::Draw(IGraphics& graphics) {
  return graphics.DrawBitmapFrame(strip_, rect_, FrameForValue(value_, strip_.frames), &blend_);
}

}  // namespace fluvia
