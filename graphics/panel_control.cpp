#include "graphics/panel_control.h"

#include "graphics/graphics.h"

namespace fluvia {

IPanelControl::IPanelControl(IPluginCore& plugin, const IBounds& rect, const IArgbColor& color,
                             const IBlendMode& blend)
    : IControl(plugin, rect, -1, blend), color_(color) {}

bool IPanelControl::Draw(IGraphics& graphics) { return graphics.FillIRect(color_, rect_, &blend_); }

}  // namespace fluvia
