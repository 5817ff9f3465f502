#pragma once
// The preset menu's six lists: the main list with the title, the welcome preset and five
// sub-menu captions; the five sound effects; and the four user banks of 25 slots. The menu
// lists every library preset whether or not its file exists.

#include <array>
#include <optional>

#include "graphics/menu_list.h"

namespace fluvia {

class PresetMenu {
 public:
  PresetMenu();
  PresetMenu(const PresetMenu&) = delete;
  PresetMenu& operator=(const PresetMenu&) = delete;

  IMenuList& Main() { return main_; }
  const IMenuList& Main() const { return main_; }
  const IMenuList& Sfx() const { return sfx_; }
  const IMenuList& UserBank(int bank) const { return banks_[std::size_t(bank)]; }

  // The preset number of the entry chosen in `list` (its chosenIndex): nothing when the list
  // is none of the six or the index names no choosable entry.
  std::optional<int> PresetNumberOfChoice(const IMenuList* list) const;

  // Every chosenIndex back to -1, before the menu is shown again.
  void ClearChoices();

 private:
  IMenuList main_;
  IMenuList sfx_;
  std::array<IMenuList, 4> banks_;
};

}  // namespace fluvia
