#include "presets/preset_menu.h"

#include <string>

#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

constexpr const char* kBankCaptions[kUserBankCount] = {
    "User > User Bank A", "User > User Bank B", "User > User Bank C", "User > User Bank D"};
constexpr const char* kUserFilesCaption = "User > My Presets";
constexpr const char* kNothingFound = "No presets found";

int BankOf(int number) { return (number - kFirstUserPresetNumber) / kUserBankSize; }

}  // namespace

PresetMenu::PresetMenu() { Build(PresetCatalogue(), 0); }

void PresetMenu::Build(const PresetCatalogue& catalogue, int current) {
  main_ = Level();
  subMenus_.clear();
  auto add = [](Level& level, const std::string& text, int number, int flags = 0) {
    level.list->AddItem(text, flags);
    level.numbers.push_back(number);
  };
  // A sub-menu captioned in the main list; its entries come from `fill`.
  auto addSubMenu = [&](const std::string& caption, const auto& fill) {
    Level sub;
    bool holdsCurrent = false;
    fill([&](const CatalogueEntry& entry) {
      const bool isCurrent = current != 0 && entry.number == current;
      holdsCurrent = holdsCurrent || isCurrent;
      add(sub, entry.name, entry.number, isCurrent ? IMenuEntry::kChecked : 0);
    });
    if (sub.numbers.empty()) return;
    main_.list->AddSubMenu(caption, sub.list.get(), holdsCurrent ? IMenuEntry::kChecked : 0);
    main_.numbers.push_back(0);
    subMenus_.push_back(std::move(sub));
  };
  const std::vector<CatalogueEntry>& entries = catalogue.Entries();
  auto each = [&](PresetPlace place, int bank) {
    return [&, place, bank](const auto& put) {
      for (const CatalogueEntry& entry : entries) {
        if (entry.place == place && (bank < 0 || BankOf(entry.number) == bank)) put(entry);
      }
    };
  };

  // The title names no preset: it only heads the menu.
  add(main_, kPresetsLibraryTitle, 0, IMenuEntry::kGreyed);
  for (const CatalogueEntry& entry : entries) {
    if (entry.place != PresetPlace::Welcome) continue;
    add(main_, entry.name, entry.number, entry.number == current ? IMenuEntry::kChecked : 0);
  }
  addSubMenu("Factory > SFX", each(PresetPlace::Sfx, -1));
  for (int bank = 0; bank < kUserBankCount; ++bank) {
    addSubMenu(kBankCaptions[bank], each(PresetPlace::UserSlot, bank));
  }

  std::vector<const CatalogueEntry*> files;
  for (const CatalogueEntry& entry : entries) {
    if (entry.place == PresetPlace::UserFile) files.push_back(&entry);
  }
  const std::size_t group = kGroupSize;
  for (std::size_t first = 0; first < files.size(); first += group) {
    const std::size_t last = std::min(files.size(), first + group);
    std::string caption = kUserFilesCaption;
    if (files.size() > group) {
      caption += " " + std::to_string(first + 1) + "-" + std::to_string(last);
    }
    addSubMenu(caption, [&](const auto& put) {
      for (std::size_t i = first; i < last; ++i) put(*files[i]);
    });
  }

  if (catalogue.UnlistedUserFiles() > 0 || catalogue.FolderCutShort()) {
    const std::string more = catalogue.FolderCutShort()
                                 ? std::string("More presets in User: open them with Load")
                                 : std::to_string(catalogue.UnlistedUserFiles()) +
                                       " more in User: open them with Load";
    add(main_, more, 0, IMenuEntry::kGreyed);
  }
  if (entries.empty()) add(main_, kNothingFound, 0, IMenuEntry::kGreyed);
}

const IMenuList* PresetMenu::SubMenu(int index) const {
  const IMenuEntry* entry = main_.list->Item(index);
  return entry ? entry->subMenu : nullptr;
}

const PresetMenu::Level* PresetMenu::LevelOf(const IMenuList* list) const {
  if (!list) return nullptr;
  if (list == main_.list.get()) return &main_;
  for (const Level& level : subMenus_) {
    if (list == level.list.get()) return &level;
  }
  return nullptr;
}

std::optional<int> PresetMenu::PresetNumberOfChoice(const IMenuList* list) const {
  const Level* level = LevelOf(list);
  if (!level) return std::nullopt;
  const int index = list->chosenIndex;
  const IMenuEntry* entry = list->Item(index);
  // A host that reports a caption, a note or an index beyond the list names no preset.
  if (!entry || !entry->Choosable() || index >= int(level->numbers.size())) return std::nullopt;
  const int number = level->numbers[std::size_t(index)];
  if (number <= 0) return std::nullopt;
  return number;
}

void PresetMenu::ClearChoices() {
  main_.list->chosenIndex = -1;
  for (Level& level : subMenus_) level.list->chosenIndex = -1;
}

}  // namespace fluvia
