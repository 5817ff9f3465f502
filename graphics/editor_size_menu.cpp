#include "graphics/editor_size_menu.h"

#include <utility>

#include "graphics/graphics.h"

namespace fluvia {

IEditorSizeMenu::IEditorSizeMenu(IPluginCore& plugin, const IBounds& rect, Current current,
                                 Choose choose)
    : IControl(plugin, rect, -1, IBlendMode(IBlendMode::kNone, 1.0f)),
      current_(std::move(current)),
      choose_(std::move(choose)) {
  menu_.AddItem(kEditorSizeSmallText);
  menu_.AddItem(kEditorSizeLargeText);
}

IEditorSizeMenu::~IEditorSizeMenu() = default;

void IEditorSizeMenu::OnMouseDown(int x, int y, const IMouseKeys&) {
  IGraphics* graphics = Graphics();
  if (!graphics || menuOpen_) return;
  const ArtworkSet current = current_ ? current_() : graphics->Artwork();
  menu_.Item(0)->flags = current == ArtworkSet::Small ? IMenuEntry::kChecked : 0;
  menu_.Item(1)->flags = current == ArtworkSet::Large ? IMenuEntry::kChecked : 0;
  menu_.chosenIndex = -1;
  menuOpen_ = true;
  // The menu opens at the pointer; the choice may come at once or from a later run-loop
  // callback of the host.
  graphics->BeginPopupMenu(menu_, IBounds(x, y, x + 1, y + 1),
                           [this](const IGraphics::MenuResult& answer) {
                             menuOpen_ = false;
                             if (answer.abandoned || answer.chosen != &menu_) return;
                             const int index = menu_.chosenIndex;
                             if (index != 0 && index != 1) return;
                             const ArtworkSet chosen = index == 0 ? ArtworkSet::Small
                                                                  : ArtworkSet::Large;
                             if (choose_) choose_(chosen);
                           });
}

bool IEditorSizeMenu::Draw(IGraphics&) { return true; }

}  // namespace fluvia
