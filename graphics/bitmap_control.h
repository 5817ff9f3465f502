#pragma once
// IBitmapControl: shows one frame of a bitmap strip, chosen by the value.

#include "graphics/control.h"

namespace fluvia {

// The frame (1..frames) that shows a normalised value: the nearest of frames evenly spread
// over 0..1. Values outside 0..1 (and NaN) show the nearest end.
int FrameForValue(double value, int frames);

class IBitmapControl : public IControl {
 public:
  IBitmapControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                 const IBitmapStrip& strip, const IBlendMode& blend = IBlendMode());

  bool Draw(IGraphics& graphics) override;

  const IBitmapStrip& Strip() const { return strip_; }
  // Another image for the same control (the other artwork set); flags a redraw.
  void SetStrip(const IBitmapStrip& strip) {
    strip_ = strip;
    FlagDirty();
  }

 protected:
  IBitmapStrip strip_;
};

}  // namespace fluvia
