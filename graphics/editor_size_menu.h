#pragma once
// IEditorSizeMenu: the invisible control over the editor's header that offers the editor
// sizes. A click (either button) opens a menu of "Small" and "Large" with the current size
// checked; a choice goes to the callback, which resizes the editor. The control draws nothing:
// the header artwork beneath shows through.

#include <functional>

#include "graphics/control.h"
#include "graphics/menu_list.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

class IEditorSizeMenu : public IControl {
 public:
  using Choose = std::function<void(ArtworkSet)>;
  using Current = std::function<ArtworkSet()>;

  // `current` tells which size to check (it may differ from the editor's artwork set, which
  // can be the large one drawn at a small size on a high-density display).
  IEditorSizeMenu(IPluginCore& plugin, const IBounds& rect, Current current, Choose choose);
  ~IEditorSizeMenu() override;

  void OnMouseDown(int x, int y, const IMouseKeys& keys) override;
  bool Draw(IGraphics& graphics) override;

  bool MenuOpen() const { return menuOpen_; }

 private:
  Current current_;
  Choose choose_;
  IMenuList menu_;
  bool menuOpen_ = false;  // the menu list lives here, so one menu at a time
};

// The menu texts of the two sizes, in menu order.
inline constexpr const char* kEditorSizeSmallText = "Small";
inline constexpr const char* kEditorSizeLargeText = "Large";

}  // namespace fluvia
