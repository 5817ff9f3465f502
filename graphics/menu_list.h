#pragma once
// IMenuList / IMenuEntry: the description of a popup menu that a window host shows. Entries
// belong to their list; a sub-menu is only referred to (whoever builds the tree keeps its lists
// alive for as long as the tree is used).

#include <memory>
#include <string>
#include <vector>

namespace fluvia {

class IMenuList;

struct IMenuEntry {
  enum Flags : int { kGreyed = 1, kDisabled = 2, kChecked = 4, kSeparator = 8 };

  std::string text;
  IMenuList* subMenu = nullptr;
  int flags = 0;

  bool Greyed() const { return (flags & kGreyed) != 0; }
  bool Disabled() const { return (flags & kDisabled) != 0; }
  bool Checked() const { return (flags & kChecked) != 0; }
  bool IsSeparator() const { return (flags & kSeparator) != 0; }
  // Whether a user can pick this entry: sub-menu captions and separators open or divide,
  // greyed and disabled entries refuse.
  bool Choosable() const {
    return !subMenu && !IsSeparator() && !Greyed() && !Disabled();
  }
};

class IMenuList {
 public:
  enum Numbering : int { kNoNumbers = 0, kNumbers1 = 1, kNumbers2 = 2, kNumbers3 = 3 };

  IMenuList() = default;
  IMenuList(const IMenuList&) = delete;
  IMenuList& operator=(const IMenuList&) = delete;

  IMenuEntry& AddItem(const std::string& text, int flags = 0);
  IMenuEntry& AddSubMenu(const std::string& text, IMenuList* subMenu, int flags = 0);
  IMenuEntry& AddSeparator();

  int NumItems() const { return static_cast<int>(entries_.size()); }
  IMenuEntry* Item(int index);
  const IMenuEntry* Item(int index) const;

  // The text a host shows for entry `index`, with the list's numbering prefix ("%02d: %s"
  // and the like, counted from 1).
  std::string DisplayText(int index) const;

  int numbering = kNoNumbers;
  int chosenIndex = -1;

 private:
  std::vector<std::unique_ptr<IMenuEntry>> entries_;
};

}  // namespace fluvia
