#pragma once
// ISwitchControl steps through its frames on each press; IContactControl is the momentary
// button built on it, which falls back to 0 when released. With a one-frame image the bound
// parameter sees 1 on press and 0 on release.

#include "graphics/bitmap_control.h"

namespace fluvia {

class ISwitchControl : public IBitmapControl {
 public:
  ISwitchControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                 const IBitmapStrip& strip, const IBlendMode& blend = IBlendMode());

  void OnMouseDown(int x, int y, const IMouseKeys& keys) override;
  // Quick presses count as presses, not as a request for the default value.
  void OnMouseDblClick(int x, int y, const IMouseKeys& keys) override;
};

class IContactControl : public ISwitchControl {
 public:
  IContactControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                  const IBitmapStrip& strip, const IBlendMode& blend = IBlendMode());

  void OnMouseUp(int x, int y, const IMouseKeys& keys) override;
};

}  // namespace fluvia
