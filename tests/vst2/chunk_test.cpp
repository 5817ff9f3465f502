// Programs and the program and bank chunks, as a host stores and restores a project.

#include <cstring>
#include <random>

#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

using Vst2Chunks = Vst2Test;
using Vst2Programs = Vst2Test;

constexpr int kSoundParams[] = {kAmpFadeInOut,        kAmpMainVolume,      kContainerDamping,
                                kContainerSize,       kParticlesCollisions, kParticlesMassSpread,
                                kParticlesWeightVelocityRatio, kSoundfieldAmt, kSystemEnergyAmt};

std::vector<uint8_t> GetChunk(vst2host::Vst2Instance& plugin, bool program) {
  void* data = nullptr;
  const intptr_t size = plugin.Dispatch(vst2::kGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t SetChunk(vst2host::Vst2Instance& plugin, bool program, std::vector<uint8_t> bytes) {
  return plugin.Dispatch(vst2::kSetChunk, program ? 1 : 0, intptr_t(bytes.size()), bytes.data());
}

std::vector<float> Values(vst2host::Vst2Instance& plugin) {
  std::vector<float> values;
  for (int i = 0; i < 26; ++i) values.push_back(plugin.GetParameter(i));
  return values;
}

void ChangeSound(vst2host::Vst2Instance& plugin) {
  float v = 0.13f;
  for (int index : kSoundParams) plugin.SetParameter(index, v += 0.07f);
}

const uint8_t kHeader[8] = {'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00};

TEST_F(Vst2Chunks, ProgramChunkIsTheHeaderAndTheParameterBlock) {
  const std::vector<uint8_t> chunk = GetChunk(plugin(), true);
  ASSERT_EQ(chunk.size(), 8u + 208u);
  EXPECT_EQ(std::memcmp(chunk.data(), kHeader, 8), 0);
  double volume = 0.0;
  std::memcpy(&volume, chunk.data() + 8 + 8 * kAmpMainVolume, 8);
  EXPECT_EQ(volume, 0.75);
  EXPECT_EQ(Dispatch(vst2::kGetChunk, 1), 0);  // nowhere to put the address
}

TEST_F(Vst2Chunks, BankChunkHoldsTheInitPreset) {
  const std::vector<uint8_t> chunk = GetChunk(plugin(), false);
  ASSERT_EQ(chunk.size(), 8u + 4u + 4u + 1u + 208u);
  EXPECT_EQ(std::memcmp(chunk.data(), kHeader, 8), 0);
  const uint8_t nameBlock[9] = {4, 0, 0, 0, 'I', 'n', 'i', 't', 1};
  EXPECT_EQ(std::memcmp(chunk.data() + 8, nameBlock, 9), 0);
}

// A host saves a project from one instance and loads it into a fresh one.
TEST_F(Vst2Chunks, ChunksFromOneInstanceRestoreAnotherExactly) {
  for (bool program : {true, false}) {
    auto source = NewInstance();
    source->Start(44100.0, 512);
    ChangeSound(*source);
    const std::vector<uint8_t> saved = GetChunk(*source, program);
    ASSERT_FALSE(saved.empty());

    auto target = NewInstance();
    target->Start(44100.0, 512);
    EXPECT_EQ(SetChunk(*target, program, saved), 1) << (program ? "program" : "bank");
    EXPECT_EQ(Values(*target), Values(*source)) << (program ? "program" : "bank");
    EXPECT_EQ(GetChunk(*target, program), saved) << (program ? "program" : "bank");
  }
}

TEST_F(Vst2Chunks, HeaderlessParameterBlockIsTakenAsAProgram) {
  auto source = NewInstance();
  ChangeSound(*source);
  std::vector<uint8_t> block = GetChunk(*source, true);
  block.erase(block.begin(), block.begin() + 8);
  ASSERT_EQ(block.size(), 208u);
  EXPECT_EQ(SetChunk(plugin(), true, block), 1);
  EXPECT_EQ(Values(plugin()), Values(*source));
}

TEST_F(Vst2Chunks, ShortOrMalformedChunksGiveZeroAndKeepWhatWasRead) {
  auto source = NewInstance();
  ChangeSound(*source);
  std::vector<uint8_t> full = GetChunk(*source, true);
  const std::vector<float> before = Values(plugin());

  // Header and 100 parameter bytes: the first 12 values apply, the rest keep theirs.
  std::vector<uint8_t> cut(full.begin(), full.begin() + 8 + 100);
  EXPECT_EQ(SetChunk(plugin(), true, cut), 0);
  const std::vector<float> after = Values(plugin());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(after[size_t(i)], Values(*source)[size_t(i)]) << i;
  for (int i = 13; i < 26; ++i) EXPECT_EQ(after[size_t(i)], before[size_t(i)]) << i;

  // A size smaller than the content: the bytes beyond the size are never read.
  std::vector<uint8_t> bank = GetChunk(*source, false);
  EXPECT_EQ(plugin().Dispatch(vst2::kSetChunk, 0, 20, bank.data()), 0);
  // A bank whose name claims far more bytes than there are.
  std::vector<uint8_t> lying(kHeader, kHeader + 8);
  for (uint8_t b : {0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x42}) lying.push_back(b);
  EXPECT_EQ(SetChunk(plugin(), false, lying), 0);
  // Null data, a negative size, nothing at all.
  EXPECT_EQ(Dispatch(vst2::kSetChunk, 1, 216), 0);
  EXPECT_EQ(Dispatch(vst2::kSetChunk, 1, -8, full.data()), 0);
  EXPECT_EQ(SetChunk(plugin(), true, {}), 0);
  EXPECT_EQ(SetChunk(plugin(), false, {}), 0);

  // Garbage of many sizes either reads or fails; every value stays in its range.
  std::mt19937 random(9);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> junk(size_t(random() % 600));
    for (auto& b : junk) b = uint8_t(random());
    if (round % 3 == 0 && junk.size() >= 8) std::memcpy(junk.data(), kHeader, 8);
    const intptr_t result = SetChunk(plugin(), round % 2 == 0, junk);
    EXPECT_TRUE(result == 0 || result == 1);
    for (float v : Values(plugin())) ASSERT_TRUE(v >= 0.0f && v <= 1.0f);
  }
  EXPECT_FALSE(GetChunk(plugin(), false).empty());
}

TEST_F(Vst2Programs, NamesAndSelection) {
  EXPECT_EQ(Text(vst2::kGetProgramName), "Init");
  char name[64] = {};
  EXPECT_EQ(Dispatch(vst2::kGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "Init");
  std::strcpy(name, "stale");
  EXPECT_EQ(Dispatch(vst2::kGetProgramNameIndexed, 1, 0, name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(Dispatch(vst2::kGetProgramNameIndexed, -7, 0, name), 0);
  EXPECT_EQ(Dispatch(vst2::kGetProgramNameIndexed, 0), 0);  // no buffer

  char rain[] = "Rain";
  EXPECT_EQ(Dispatch(vst2::kSetProgramName, 0, 0, rain), 0);
  EXPECT_EQ(Text(vst2::kGetProgramName), "Rain");
  EXPECT_EQ(Dispatch(vst2::kSetProgramName), 0);
  EXPECT_EQ(Text(vst2::kGetProgramName), "Rain");

  // Selecting program 0 stores the current values into it first, so nothing changes;
  // programs that do not exist change nothing either.
  ChangeSound(plugin());
  const std::vector<float> values = Values(plugin());
  for (intptr_t program : {intptr_t(0), intptr_t(1), intptr_t(-1), intptr_t(1) << 40}) {
    EXPECT_EQ(Dispatch(vst2::kSetProgram, 0, program), 0);
    EXPECT_EQ(Values(plugin()), values) << program;
    EXPECT_EQ(Dispatch(vst2::kGetProgram), 0);
  }
}

}  // namespace
}  // namespace fluvia::vst2test
