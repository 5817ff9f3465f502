#pragma once
// IPanelControl: a rectangle filled with one colour (its alpha shades what lies beneath).

#include "graphics/control.h"

namespace fluvia {

class IPanelControl : public IControl {
 public:
  IPanelControl(IPluginCore& plugin, const IBounds& rect, const IArgbColor& color,
                const IBlendMode& blend = IBlendMode());

  bool Draw(IGraphics& graphics) override;

  const IArgbColor& Color() const { return color_; }

 private:
  IArgbColor color_;
};

}  // namespace fluvia
