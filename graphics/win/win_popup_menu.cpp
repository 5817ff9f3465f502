// Popup menus through the system menu: the IMenuList tree becomes a Win32 menu whose item
// identifiers count up from 0 across the whole tree, so a chosen identifier leads back to its
// list and position.
#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "graphics/win/graphics_win.h"
#include "graphics/win/win_window_state.h"

namespace fluvia {
namespace {

using ItemMap = std::vector<std::pair<IMenuList*, int>>;  // identifier -> (list, position)

// The system menu takes "&" as the mark of the next letter's shortcut: a name with one (a
// preset "Rain & Wind") shows it only when doubled.
std::string MenuText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

HMENU BuildMenu(IMenuList& list, ItemMap& items) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  for (int i = 0; i < list.NumItems(); ++i) {
    const IMenuEntry* entry = list.Item(i);
    const std::string text = MenuText(list.DisplayText(i));
    if (entry->IsSeparator()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING;
    if (entry->Greyed()) flags |= MF_GRAYED;
    if (entry->Disabled()) flags |= MF_DISABLED;
    if (entry->Checked()) flags |= MF_CHECKED;
    if (entry->subMenu) {
      HMENU sub = BuildMenu(*entry->subMenu, items);
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      AppendMenuA(menu, flags, UINT_PTR(items.size()), text.c_str());
      items.emplace_back(&list, i);
    }
  }
  return menu;
}

}  // namespace

IMenuList* IGraphicsWin::CreateIPopupMenu(IMenuList& menu, const IBounds& rect) {
  std::lock_guard<std::recursive_mutex> hold(Lock());
  ResetMouseState();
  if (!w_->window) return nullptr;
  ItemMap items;
  HMENU popup = BuildMenu(menu, items);
  if (!popup) return nullptr;
  POINT at = {rect.left, rect.bottom};
  ClientToScreen(w_->window, &at);
  IMenuList* chosen = nullptr;
  TrackPopupMenu(popup, TPM_LEFTBUTTON, int(at.x), int(at.y), 0, w_->window, nullptr);
  MSG message;
  if (PeekMessageA(&message, w_->window, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
      HIWORD(message.wParam) == 0) {
    const size_t id = LOWORD(message.wParam);
    if (id < items.size()) {
      chosen = items[id].first;
      chosen->chosenIndex = items[id].second;
    }
  }
  DestroyMenu(popup);  // sub-menus go with it
  InvalidateRect(w_->window, nullptr, FALSE);
  return chosen;
}

}  // namespace fluvia
