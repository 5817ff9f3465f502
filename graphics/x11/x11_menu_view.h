#pragma once
// How a popup menu level looks: geometry of its rows and its rendering into a bitmap. Free of
// X so that the row geometry is shared by the menu windows and anything that needs to find a
// row on screen.

#include "graphics/menu_list.h"

namespace fluvia {

class PixBitmap;

struct MenuMetrics {
  static constexpr int kRowHeight = 24;
  static constexpr int kSeparatorHeight = 9;
  static constexpr int kPadding = 4;       // above the first and below the last row
  static constexpr int kTextLeft = 26;     // room for the check mark
  static constexpr int kTextRight = 26;    // room for the sub-menu arrow
  static constexpr int kMinWidth = 160;
  static constexpr int kMaxWidth = 640;
  static constexpr int kFontSize = 15;
  static constexpr const char* kFontName = "Liberation Sans";
};

int MenuRowHeight(const IMenuEntry& entry);
// The top of row `index`, from the top of the menu window.
int MenuRowTop(const IMenuList& list, int index);
int MenuHeight(const IMenuList& list);
// The row at `y` (window coordinates), or -1 in the padding or outside.
int MenuRowAt(const IMenuList& list, int y);
// Wide enough for the longest caption, within the minimum and maximum widths.
int MenuWidth(const IMenuList& list);
// Whether the row can be highlighted and opens or chooses something.
bool MenuRowActive(const IMenuEntry& entry);

// Draws the whole level: dark panel with a border, light captions in the menu font, greyed
// captions dimmed, check marks, separators, sub-menu arrows and the highlighted row.
void RenderMenu(PixBitmap& bitmap, const IMenuList& list, int highlighted);

}  // namespace fluvia
