#pragma once
// IKnobControl holds how a knob is dragged; IKnobMultiControl is the rotary knob drawn from a
// strip of frames.

#include "graphics/bitmap_control.h"

namespace fluvia {

class IValueReadout;

class IKnobControl : public IControl {
 public:
  enum Direction : int { kVertical = 0, kHorizontal = 1 };

  IKnobControl(IPluginCore& plugin, const IBounds& rect, int paramIdx, int direction,
               double gearing, const IBlendMode& blend = IBlendMode());

  int DragDirection() const { return direction_; }
  double Gearing() const { return gearing_; }

 protected:
  int direction_;
  double gearing_;
};

class IKnobMultiControl : public IKnobControl {
 public:
  IKnobMultiControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                    const IBitmapStrip& strip, int direction = kVertical, double gearing = 4.0,
                    const IBlendMode& blend = IBlendMode());

  // Dragging one knob-height (or width) times the gearing covers the whole range; shift or
  // control make it ten times finer.
  void OnMouseDrag(int x, int y, int dx, int dy, const IMouseKeys& keys) override;
  void OnMouseWheel(int x, int y, const IMouseKeys& keys, int notches) override;
  bool Draw(IGraphics& graphics) override;
  // With a readout, the knob shows its name and value there while it is pressed, dragged or
  // turned, and while the pointer rests on it.
  void OnMouseDown(int x, int y, const IMouseKeys& keys) override;
  void OnMouseUp(int x, int y, const IMouseKeys& keys) override;
  void OnMouseOver(int x, int y, const IMouseKeys& keys) override;
  void OnMouseOut() override;
  void SetDirty(bool push) override;
  void SetReadout(IValueReadout* readout) { readout_ = readout; }

  const IBitmapStrip& Strip() const { return strip_; }
  // Another image for the same control (the other artwork set); flags a redraw.
  void SetStrip(const IBitmapStrip& strip) {
    strip_ = strip;
    FlagDirty();
  }

 private:
  IBitmapStrip strip_;
  IValueReadout* readout_ = nullptr;  // owned by the editor's control list
};

}  // namespace fluvia
