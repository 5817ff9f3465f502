#include "graphics/switch_control.h"

namespace fluvia {

ISwitchControl::ISwitchControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                               const IBitmapStrip& strip, const IBlendMode& blend)
    : IBitmapControl(plugin, rect, paramIdx, strip, blend) {}

void ISwitchControl::OnMouseDown(int, int, const IMouseKeys&) {
  const int frames = strip_.frames;
  value_ += frames < 2 ? 1.0 : 1.0 / double(frames - 1);
  // The small margin absorbs the rounding of repeated 1/(N-1) steps at the last frame.
  if (value_ > 1.001) value_ = 0.0;
  SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, const IMouseKeys& keys) {
  ISwitchControl::OnMouseDown(x, y, keys);
}

IContactControl::IContactControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                                 const IBitmapStrip& strip, const IBlendMode& blend)
    : ISwitchControl(plugin, rect, paramIdx, strip, blend) {}

void IContactControl::OnMouseUp(int, int, const IMouseKeys&) {
  value_ = 0.0;
  SetDirty(true);
}

}  // namespace fluvia
