#include "presets/preset_selector_control.h"

#include <mutex>
#include <utility>

#include "engine/engine_params.h"
#include "framework/plugin_core.h"
#include "graphics/graphics.h"

namespace fluvia {

IBounds IPopupMenu_PresetSelector::LayoutRect(ArtworkSet set) {
  return set == ArtworkSet::Small ? IBounds(60, 40, 440, 65) : IBounds(120, 80, 880, 130);
}

IPopupMenu_PresetSelector::IPopupMenu_PresetSelector(IPluginCore& plugin, const IBounds& rect,
                                                     Contents contents)
    : IControl(plugin, rect, -1, IBlendMode(IBlendMode::kNone, 1.0f)),
      contents_(std::move(contents)) {}

IPopupMenu_PresetSelector::~IPopupMenu_PresetSelector() = default;

void IPopupMenu_PresetSelector::OnMouseDown(int, int, const IMouseKeys&) {
  IGraphics* graphics = Graphics();
  if (graphics && !menuOpen_) {
    const PresetMenuContents contents = contents_ ? contents_() : PresetMenuContents{};
    menu_.Build(contents.catalogue, contents.current);
    menuOpen_ = true;
    // The choice may come at once or from a later run-loop callback of the host.
    graphics->BeginPopupMenu(menu_.Main(), rect_, [this](const IGraphics::MenuResult& answer) {
      menuOpen_ = false;
      if (!answer.abandoned) ApplyChoice(answer.chosen);
      SetRedraw();
      SetDirty(false);
    });
  }
  // No parameter: this only redraws the control.
  SetRedraw();
  SetDirty(true);
}

void IPopupMenu_PresetSelector::ApplyChoice(const IMenuList* chosen) {
  const auto number = menu_.PresetNumberOfChoice(chosen);
  if (!number) return;
  IPluginCore& plugin = Plugin();
  // Value and handler under one lock, so no host change slips in between.
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  ChangeSourceScope source(plugin, ParamChangeSource::Editor);
  if (IParameter* selector = plugin.GetParam(kPresetSelector)) {
    selector->SetValue(double(static_cast<float>(*number)));
    plugin.ParamChanged(kPresetSelector);
  }
}

bool IPopupMenu_PresetSelector::Draw(IGraphics& graphics) {
  graphics.FillIRect(IArgbColor(0, 0, 0, 0), rect_, &blend_);
  return true;
}

}  // namespace fluvia
