// A project saved by release 1.0.2's VST2 module: the 26 values a host without chunk support
// keeps, and the program chunk, come back exactly as they were saved.

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

std::vector<uint8_t> ReadFixture(const char* name) {
  std::ifstream file(std::string(FLUVIA_VST2_FIXTURES) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

using Vst2SavedState = Vst2Test;

TEST_F(Vst2SavedState, TheParametersARelease102HostKeptComeBackByIndex) {
  const std::vector<uint8_t> saved = ReadFixture("parameters-1.0.2.bin");
  ASSERT_EQ(saved.size(), 26u * 4u);
  ASSERT_EQ(effect()->numParams, 26);
  plugin().Start(48000.0, 512);
  std::vector<float> values(26);
  std::memcpy(values.data(), saved.data(), saved.size());
  for (int i = 0; i < 26; ++i) plugin().SetParameter(i, values[size_t(i)]);
  for (int i = 0; i < 26; ++i) {
    const float now = plugin().GetParameter(i);
    EXPECT_EQ(std::memcmp(&now, &values[size_t(i)], 4), 0) << i << ": " << now;
  }
  // Hidden from automation now, but every one of them still takes and keeps its value.
  EXPECT_EQ(Dispatch(vst2::kCanBeAutomated, kModStochasticAmt), 0);
  EXPECT_FLOAT_EQ(plugin().GetParameter(kModStochasticAmt), 0.8f);
}

TEST_F(Vst2SavedState, TheProgramChunkOfRelease102RestoresByteForByte) {
  const std::vector<uint8_t> saved = ReadFixture("program-chunk-1.0.2.bin");
  ASSERT_EQ(saved.size(), 216u);
  plugin().Start(48000.0, 512);
  std::vector<uint8_t> copy = saved;
  ASSERT_EQ(Dispatch(vst2::kSetChunk, 1, intptr_t(copy.size()), copy.data()), 1);
  void* chunk = nullptr;
  const intptr_t size = Dispatch(vst2::kGetChunk, 1, 0, &chunk);
  ASSERT_EQ(size, intptr_t(saved.size()));
  const auto* bytes = static_cast<const uint8_t*>(chunk);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), saved);
  EXPECT_FLOAT_EQ(plugin().GetParameter(kParticlesCollisions), 0.61f);
  EXPECT_EQ(Text(vst2::kGetParamDisplay, kParticlesCollisions), "4.77 kHz");
}

}  // namespace
}  // namespace fluvia::vst2test
