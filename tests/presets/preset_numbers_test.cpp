#include "presets/preset_numbers.h"

#include <gtest/gtest.h>

#include <set>

#include "presets/preset_format.h"

namespace fluvia {
namespace {

TEST(PresetNumbers, LibraryFileTable) {
  const struct {
    int number;
    const char* relative;
  } cases[] = {
      {1, "Factory/WLCM - The River Wild.fluviapreset"},
      {2, "Factory/SFX - Faucet Water.fluviapreset"},
      {3, "Factory/SFX - Shower.fluviapreset"},
      {4, "Factory/SFX - Waterfall.fluviapreset"},
      {5, "Factory/SFX - Light Rain.fluviapreset"},
      {6, "Factory/SFX - Heavy Rain.fluviapreset"},
      {7, "User/USR - Fluvia User Preset 001.fluviapreset"},
      {31, "User/USR - Fluvia User Preset 025.fluviapreset"},   // last of bank A
      {32, "User/USR - Fluvia User Preset 026.fluviapreset"},   // first of bank B
      {57, "User/USR - Fluvia User Preset 051.fluviapreset"},
      {82, "User/USR - Fluvia User Preset 076.fluviapreset"},
      {106, "User/USR - Fluvia User Preset 100.fluviapreset"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LibraryPresetRelativePath(c.number), c.relative) << c.number;
    EXPECT_EQ(LibraryPresetPath("/docs/Presets/", c.number), std::string("/docs/Presets/") + c.relative);
  }
  for (int none : {0, -1, 107, 10000, -2147483647 - 1}) {
    EXPECT_EQ(LibraryPresetName(none), "") << none;
    EXPECT_EQ(LibraryPresetPath("/docs/Presets/", none), "/docs/Presets/") << none;
  }
}

TEST(PresetNumbers, EveryNumberHasItsOwnFileShownUnderItsName) {
  std::set<std::string> files;
  for (int n = 1; n <= kLastPresetNumber; ++n) {
    const std::string path = LibraryPresetPath("/p/", n);
    EXPECT_EQ(PresetDisplayName(path), LibraryPresetName(n)) << n;
    files.insert(path);
  }
  EXPECT_EQ(files.size(), 106u);
  EXPECT_EQ(UserBankFirstNumber(0), 7);
  EXPECT_EQ(UserBankFirstNumber(3), 82);
  EXPECT_EQ(UserBankFirstNumber(3) + kUserBankSize - 1, kLastPresetNumber);
}

}  // namespace
}  // namespace fluvia
