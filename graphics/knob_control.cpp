#include "graphics/knob_control.h"

#include <cmath>

#include "graphics/graphics.h"
#include "graphics/value_readout.h"

namespace fluvia {

IKnobControl::IKnobControl(IPluginCore& plugin, const IBounds& rect, int paramIdx, int direction,
                           double gearing, const IBlendMode& blend)
    : IControl(plugin, rect, paramIdx, blend), direction_(direction), gearing_(gearing) {}

IKnobMultiControl::IKnobMultiControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                                     const IBitmapStrip& strip, int direction, double gearing,
                                     const IBlendMode& blend)
    : IKnobControl(plugin, rect, paramIdx, direction, gearing, blend), strip_(strip) {}

void IKnobMultiControl::OnMouseDrag(int, int, int dx, int dy, const IMouseKeys& keys) {
  double gearing = gearing_;
  if (keys.shift || keys.control) gearing *= 10.0;
  // Moving up (negative dy) raises the value, hence top - bottom.
  const double change = direction_ == kHorizontal
                            ? double(dx) / double(rect_.right - rect_.left) / gearing
                            : double(dy) / double(rect_.top - rect_.bottom) / gearing;
  // A knob without extent or gearing has no sensible movement; the host still hears of it.
  if (std::isfinite(change)) value_ += change;
  SetDirty(true);
}

void IKnobMultiControl::OnMouseWheel(int, int, const IMouseKeys& keys, int notches) {
  if (readout_) readout_->ShowFor(*this);
  const double step = (keys.shift || keys.control) ? 0.001 : 0.01;
  value_ += double(notches) * step;
  SetDirty(true);
}

bool IKnobMultiControl::Draw(IGraphics& graphics) {
  return graphics.DrawBitmapFrame(strip_, rect_, FrameForValue(value_, strip_.frames), &blend_);
}

void IKnobMultiControl::OnMouseDown(int x, int y, const IMouseKeys& keys) {
  if (readout_) readout_->Press(*this);
  IKnobControl::OnMouseDown(x, y, keys);
}

void IKnobMultiControl::OnMouseUp(int x, int y, const IMouseKeys& keys) {
  if (readout_) readout_->Release(*this, x, y);
  IKnobControl::OnMouseUp(x, y, keys);
}

void IKnobMultiControl::OnMouseOver(int, int, const IMouseKeys&) {
  if (readout_) readout_->ShowFor(*this);
}

void IKnobMultiControl::OnMouseOut() {
  if (readout_) readout_->HideFor(*this);
}

void IKnobMultiControl::SetDirty(bool push) {
  IKnobControl::SetDirty(push);
  if (readout_) readout_->Refresh(*this);
}

}  // namespace fluvia
