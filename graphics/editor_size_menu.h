#pragma once
// IEditorSizeMenu: the invisible control over the editor's header that offers the editor
// sizes. A click (either button) opens a menu of "Small" and "Large" with the current size
// checked; a choice goes to the callback, which resizes the editor. The control draws nothing:
// the header artwork beneath shows through.
//
// The program that shows the editor may add entries of its own below the sizes (a standalone
// application puts its audio and MIDI settings there): see IHeaderMenuEntries.

#include <functional>
#include <memory>

#include "graphics/control.h"
#include "graphics/menu_list.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

// Entries added to the header menu, below the sizes and a separator. The menu asks for them
// each time it opens, so they show the state of that moment.
class IHeaderMenuEntries {
 public:
  virtual ~IHeaderMenuEntries() = default;
  // Appends entries to `menu`. Sub-menus are the caller's, kept alive at least until the next
  // AddEntries call.
  virtual void AddEntries(IMenuList& menu) = 0;
  // The person chose entry `index` of `list`: the header menu itself (at an index AddEntries
  // filled) or one of the sub-menus AddEntries attached.
  virtual void EntryChosen(IMenuList& list, int index) = 0;
};

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

  // Entries to add below the sizes (not owned; null for none). Call on the editor's thread.
  void SetExtraEntries(IHeaderMenuEntries* entries) { extra_ = entries; }

 private:
  Current current_;
  Choose choose_;
  IHeaderMenuEntries* extra_ = nullptr;
  // Built afresh for each opening: the extra entries change between openings.
  std::unique_ptr<IMenuList> menu_;
  bool menuOpen_ = false;  // the menu list lives here, so one menu at a time
};

// The menu texts of the two sizes, in menu order.
inline constexpr const char* kEditorSizeSmallText = "Small";
inline constexpr const char* kEditorSizeLargeText = "Large";

}  // namespace fluvia
