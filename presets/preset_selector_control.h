#pragma once
// IPopupMenu_PresetSelector: the invisible control over the preset bar that opens the preset
// menu. The menu is built afresh each time from what the library holds then; choosing an entry
// sets PresetSelector to that preset number and hands the change to the instrument's
// parameter-change handler directly (the host is not told), which loads the preset and shows
// its name in the name display beneath this control.

#include <functional>

#include "graphics/control.h"
#include "graphics/pix/pix_image_resource.h"
#include "presets/preset_library.h"
#include "presets/preset_menu.h"

namespace fluvia {

class IPopupMenu_PresetSelector : public IControl {
 public:
  // What the menu lists, asked for on the editor's thread each time the menu opens.
  using Contents = std::function<PresetMenuContents()>;

  // The preset bar's rectangle in the editor of an artwork set.
  static IBounds LayoutRect(ArtworkSet set);

  IPopupMenu_PresetSelector(IPluginCore& plugin, const IBounds& rect, Contents contents);
  ~IPopupMenu_PresetSelector() override;

  // Any button opens the menu; position and keys do not matter.
  void OnMouseDown(int x, int y, const IMouseKeys& keys) override;
  // Fills nothing visible (alpha 0): the name display beneath shows through.
  bool Draw(IGraphics& graphics) override;

  const PresetMenu& Menu() const { return menu_; }

 private:
  void ApplyChoice(const IMenuList* chosen);

  Contents contents_;
  PresetMenu menu_;
  bool menuOpen_ = false;  // the menu lists live in menu_, so one menu at a time
};

}  // namespace fluvia
