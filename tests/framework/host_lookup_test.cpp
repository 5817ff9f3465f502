#include "framework/host_lookup.h"

#include <gtest/gtest.h>

namespace fluvia {
namespace {

TEST(HostLookupTest, FirstKeyInTableOrderDecides) {
  const std::pair<const char*, HostKind> cases[] = {
      {"Cubase", 3},
      {"REAPER", 1},
      {"Steinberg Nuendo and Cubase", 3},  // cubase is tried before nuendo
      {"Express delivery", 9},             // "live" inside a longer word
      {"Ableton Live 11", 9},
      {"Ardour", 28},
      {"Bitwig Studio", 0},
      {"", 0},
      {"VST3PluginTestHost", 27},
      {"Standalone", 24},
      {"Pro Tools", 0},  // the key is written without a space
      {"protools", 2},
  };
  for (const auto& [name, kind] : cases) EXPECT_EQ(LookUpHost(name), kind) << name;
  EXPECT_EQ(LookUpHost(nullptr), 0);
}

TEST(HostLookupTest, OnlyTheFirst255CharactersCount) {
  std::string name(255, 'x');
  EXPECT_EQ(LookUpHost((name + "reaper").c_str()), 0);
  EXPECT_EQ(LookUpHost((std::string(249, 'x') + "reaper").c_str()), 1);
}

TEST(HostLookupTest, Vst2VersionIsRepacked) {
  EXPECT_EQ(PackVst2HostVersion(50203), 5 * 65536 + 2 * 256 + 3);
  EXPECT_EQ(PackVst2HostVersion(0), 0);
  EXPECT_EQ(PackVst2HostVersion(109900), 10 * 65536 + 99 * 256);
}

}  // namespace
}  // namespace fluvia
