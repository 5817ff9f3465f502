#pragma once
// The preset menu: what the library holds, as the catalogue found it. The main list starts
// with the title, then the welcome preset, the sound effects, the user banks that hold at
// least one saved slot (only those slots), and the other user presets in name order, in
// sub-menus of at most 25; the current preset carries the check mark, and so does the caption
// of its sub-menu.

#include <memory>
#include <optional>
#include <vector>

#include "graphics/menu_list.h"
#include "presets/preset_catalogue.h"

namespace fluvia {

class PresetMenu {
 public:
  static constexpr int kGroupSize = 25;

  // Only the title and the word that nothing was found, until Build.
  PresetMenu();
  PresetMenu(const PresetMenu&) = delete;
  PresetMenu& operator=(const PresetMenu&) = delete;

  // Replaces every list; the lists handed out before are gone. `current` is the number of the
  // current preset (0: none).
  void Build(const PresetCatalogue& catalogue, int current);

  IMenuList& Main() { return *main_.list; }
  const IMenuList& Main() const { return *main_.list; }
  // The sub-menu of main entry `index`, or null.
  const IMenuList* SubMenu(int index) const;

  // The preset number of the entry chosen in `list` (its chosenIndex): nothing when the list
  // is not one of this menu's or the index names no preset.
  std::optional<int> PresetNumberOfChoice(const IMenuList* list) const;

  // Every chosenIndex back to -1, before the menu is shown again.
  void ClearChoices();

 private:
  struct Level {
    std::unique_ptr<IMenuList> list = std::make_unique<IMenuList>();
    std::vector<int> numbers;  // per entry: its preset number, 0 for captions and notes
  };
  const Level* LevelOf(const IMenuList* list) const;

  Level main_;
  std::vector<Level> subMenus_;
};

}  // namespace fluvia
