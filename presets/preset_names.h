#pragma once
// The names of the library's presets by number, as the last catalogue found them, for
// whoever shows a preset number in words on a thread that holds no instance lock (a host's
// parameter display). A leaf lock guards the table: nothing else is taken while it is held.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace fluvia {

class PresetCatalogue;

class PresetNames {
 public:
  void Update(const PresetCatalogue& catalogue);
  // Empty for a number without a preset.
  std::string NameOf(int number) const;
  // The number of the preset of that name (letters in any case), or nothing.
  std::optional<int> NumberOf(std::string_view name) const;

 private:
  mutable std::mutex lock_;
  std::map<int, std::string> names_;
};

}  // namespace fluvia
