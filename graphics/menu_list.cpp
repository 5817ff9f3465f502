#include "graphics/menu_list.h"

#include <cstdio>

namespace fluvia {

IMenuEntry& IMenuList::AddItem(const std::string& text, int flags) {
  auto entry = std::make_unique<IMenuEntry>();
  entry->text = text;
  entry->flags = flags;
  entries_.push_back(std::move(entry));
  return *entries_.back();
}

IMenuEntry& IMenuList::AddSubMenu(const std::string& text, IMenuList* subMenu, int flags) {
  IMenuEntry& entry = AddItem(text, flags);
  entry.subMenu = subMenu;
  return entry;
}

IMenuEntry& IMenuList::AddSeparator() { return AddItem("", IMenuEntry::kSeparator); }

IMenuEntry* IMenuList::Item(int index) {
  return (index >= 0 && index < NumItems()) ? entries_[size_t(index)].get() : nullptr;
}

const IMenuEntry* IMenuList::Item(int index) const {
  return (index >= 0 && index < NumItems()) ? entries_[size_t(index)].get() : nullptr;
}

std::string IMenuList::DisplayText(int index) const {
  const IMenuEntry* entry = Item(index);
  if (!entry) return {};
  // Positions count from 1; the prefix is formatted on its own so the entry text, however
  // long, is never cut.
  char prefix[32];
  const int n = index + 1;
  switch (numbering) {
    case kNumbers1: std::snprintf(prefix, sizeof prefix, "%1d: ", n); break;
    case kNumbers2: std::snprintf(prefix, sizeof prefix, "%02d: ", n); break;
    case kNumbers3: std::snprintf(prefix, sizeof prefix, "%03d: ", n); break;
    default: return entry->text;
  }
  return prefix + entry->text;
}

}  // namespace fluvia
