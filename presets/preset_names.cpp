#include "presets/preset_names.h"

#include "presets/preset_catalogue.h"

namespace fluvia {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

void PresetNames::Update(const PresetCatalogue& catalogue) {
  std::map<int, std::string> names;
  for (const CatalogueEntry& entry : catalogue.Entries()) names[entry.number] = entry.name;
  std::lock_guard<std::mutex> guard(lock_);
  names_.swap(names);
}

std::string PresetNames::NameOf(int number) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = names_.find(number);
  return found == names_.end() ? std::string() : found->second;
}

std::optional<int> PresetNames::NumberOf(std::string_view name) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (const auto& [number, text] : names_) {
    if (SameLetters(text, name)) return number;
  }
  return std::nullopt;
}

}  // namespace fluvia
