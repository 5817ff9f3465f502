#include "graphics/editor_size_menu.h"

#include <utility>

#include "graphics/graphics.h"

namespace fluvia {

IEditorSizeMenu::IEditorSizeMenu(IPluginCore& plugin, const IBounds& rect, Current current,
                                 Choose choose)
    : IControl(plugin, rect, -1, IBlendMode(IBlendMode::kNone, 1.0f)),
      current_(std::move(current)),
      choose_(std::move(choose)) {}

IEditorSizeMenu::~IEditorSizeMenu() = default;

void IEditorSizeMenu::OnMouseDown(int x, int y, const IMouseKeys&) {
  IGraphics* graphics = Graphics();
  if (!graphics || menuOpen_) return;
  const ArtworkSet current = current_ ? current_() : graphics->Artwork();
  menu_ = std::make_unique<IMenuList>();
  menu_->AddItem(kEditorSizeSmallText, current == ArtworkSet::Small ? IMenuEntry::kChecked : 0);
  menu_->AddItem(kEditorSizeLargeText, current == ArtworkSet::Large ? IMenuEntry::kChecked : 0);
  IHeaderMenuEntries* extra = extra_;
  if (extra) {
    menu_->AddSeparator();
    extra->AddEntries(*menu_);
  }
  menuOpen_ = true;
  // The menu opens at the pointer; the choice may come at once or from a later run-loop
  // callback of the host.
  graphics->BeginPopupMenu(
      *menu_, IBounds(x, y, x + 1, y + 1), [this, extra](const IGraphics::MenuResult& answer) {
        menuOpen_ = false;
        if (answer.abandoned || !answer.chosen) return;
        IMenuList& list = *answer.chosen;
        const int index = list.chosenIndex;
        if (&list == menu_.get() && (index == 0 || index == 1)) {
          if (choose_) choose_(index == 0 ? ArtworkSet::Small : ArtworkSet::Large);
        } else if (extra && extra == extra_ && index >= 0) {
          extra->EntryChosen(list, index);
        }
      });
}

bool IEditorSizeMenu::Draw(IGraphics&) { return true; }

}  // namespace fluvia
