#include "presets/preset_menu.h"

#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

constexpr const char* kBankCaptions[kUserBankCount] = {
    "User > User Bank A", "User > User Bank B", "User > User Bank C", "User > User Bank D"};

}  // namespace

PresetMenu::PresetMenu() {
  // The sub-menus first, so the main list refers only to complete lists.
  for (int i = 0; i < kSfxPresetCount; ++i) sfx_.AddItem(LibraryPresetName(kFirstSfxPresetNumber + i));
  for (int bank = 0; bank < kUserBankCount; ++bank) {
    for (int slot = 0; slot < kUserBankSize; ++slot) {
      banks_[std::size_t(bank)].AddItem(LibraryPresetName(UserBankFirstNumber(bank) + slot));
    }
  }
  main_.AddItem(kPresetsLibraryTitle);
  main_.AddItem(LibraryPresetName(kWelcomePresetNumber));
  main_.AddSubMenu("Factory > SFX", &sfx_);
  for (int bank = 0; bank < kUserBankCount; ++bank) {
    main_.AddSubMenu(kBankCaptions[bank], &banks_[std::size_t(bank)]);
  }
}

std::optional<int> PresetMenu::PresetNumberOfChoice(const IMenuList* list) const {
  if (!list) return std::nullopt;
  const int index = list->chosenIndex;
  const IMenuEntry* entry = list->Item(index);
  // A host that reports a caption or an index beyond the list names no preset.
  if (!entry || entry->subMenu || entry->IsSeparator()) return std::nullopt;

  // In the main list the position is the number (0 the title, 1 the welcome preset).
  if (list == &main_) return index;
  if (list == &sfx_) return kFirstSfxPresetNumber + index;
  for (int bank = 0; bank < kUserBankCount; ++bank) {
    if (list == &banks_[std::size_t(bank)]) return UserBankFirstNumber(bank) + index;
  }
  return std::nullopt;
}

void PresetMenu::ClearChoices() {
  main_.chosenIndex = -1;
  sfx_.chosenIndex = -1;
  for (IMenuList& bank : banks_) bank.chosenIndex = -1;
}

}  // namespace fluvia
