#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "framework/plugin_core.h"
#include "tests/framework/core_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentLikeConfig;
using testing::RecordingCore;

StateChunk ChunkOf(const std::vector<double>& values) {
  StateChunk chunk;
  for (double v : values) chunk.PutDouble(v);
  return chunk;
}

TEST(PluginStateTest, ParamsRoundTripExactlyAsLittleEndianDoubles) {
  RecordingCore core;
  for (int i = 0; i < 26; ++i) core.GetParam(i)->SetValue(0.01 * i + 1e-13);
  StateChunk chunk;
  ASSERT_TRUE(core.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 208);
  // Byte layout: parameter 1's value, little-endian.
  double v1 = 0.01 + 1e-13;
  uint64_t bits;
  std::memcpy(&bits, &v1, 8);
  for (int b = 0; b < 8; ++b) EXPECT_EQ(chunk.Data()[8 + b], uint8_t(bits >> (8 * b)));

  RecordingCore other;
  EXPECT_EQ(other.UnserializeParams(chunk, 0), 208);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(other.GetParam(i)->Value(), core.GetParam(i)->Value());
}

TEST(PluginStateTest, RestoreReplaysEveryParameterMarkedAsStateRestore) {
  RecordingCore core;
  StateChunk chunk;
  core.SerializeParams(chunk);
  core.UnserializeParams(chunk, 0);
  ASSERT_EQ(core.changes.size(), 26u);
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(core.changes[size_t(i)].first, i);
    EXPECT_EQ(core.changes[size_t(i)].second, ParamChangeSource::StateRestore);
  }
  EXPECT_EQ(core.ChangeSource(), ParamChangeSource::Host);
}

TEST(PluginStateTest, ShortChunkRestoresWhatItHoldsAndClampsTheNextToZero) {
  RecordingCore core;
  std::vector<double> values(12, 0.125);
  StateChunk chunk = ChunkOf(values);
  chunk.PutBytes("abcd", 4);  // 100 bytes: twelve values and half of the thirteenth
  core.GetParam(13)->SetValue(0.9);
  EXPECT_EQ(core.UnserializeParams(chunk, 0), -1);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(core.GetParam(i)->Value(), 0.125) << i;
  EXPECT_EQ(core.GetParam(12)->Value(), 0.25);  // 0.0 clamped into 0.25..1
  EXPECT_EQ(core.GetParam(13)->Value(), 0.9);   // later parameters keep their values
  EXPECT_EQ(core.changes.size(), 26u);          // and all of them are replayed

  RecordingCore empty;
  EXPECT_EQ(empty.UnserializeParams(StateChunk{}, 0), -1);
  EXPECT_EQ(empty.GetParam(0)->Value(), 0.0);
  EXPECT_EQ(empty.GetParam(1)->Value(), 0.5);
  EXPECT_EQ(empty.UnserializeParams(chunk, -1), -1);  // a negative start reads nothing
}

TEST(PluginStateTest, NonFiniteValuesInAChunkHaveDefinedResults) {
  RecordingCore core;
  std::vector<double> values(26, 0.5);
  values[0] = std::numeric_limits<double>::quiet_NaN();
  values[1] = std::numeric_limits<double>::infinity();
  values[2] = -std::numeric_limits<double>::infinity();
  values[16] = 1e300;
  core.GetParam(0)->SetValue(0.3);
  EXPECT_EQ(core.UnserializeParams(ChunkOf(values), 0), 208);
  EXPECT_EQ(core.GetParam(0)->Value(), 0.3);  // NaN refused: the value stays
  EXPECT_EQ(core.GetParam(1)->Value(), 1.0);
  EXPECT_EQ(core.GetParam(2)->Value(), 0.0);
  EXPECT_EQ(core.GetParam(16)->Value(), 10000.0);
}

TEST(PluginStateTest, DefaultPresetAndRestorePreset) {
  RecordingCore core(InstrumentLikeConfig("2-2", 3));
  core.MakeDefaultPresets("Init", 1);
  EXPECT_EQ(core.Preset(0)->name, "Init");
  EXPECT_TRUE(core.Preset(0)->initialised);
  EXPECT_EQ(core.Preset(0)->state.Size(), 208);
  EXPECT_FALSE(core.Preset(1)->initialised);
  EXPECT_EQ(core.Preset(1)->name, "empty");

  core.GetParam(3)->SetValue(0.9);
  EXPECT_TRUE(core.RestorePreset(0));
  EXPECT_EQ(core.GetParam(3)->Value(), 0.5);

  // An uninitialised slot takes the current values and a numbered name.
  core.GetParam(3)->SetValue(0.7);
  EXPECT_TRUE(core.RestorePreset(2));
  EXPECT_EQ(core.Preset(2)->name, "user preset 1");
  EXPECT_EQ(core.CurrentPreset(), 2);
  EXPECT_TRUE(core.RestorePreset(1));
  EXPECT_EQ(core.Preset(1)->name, "user preset 2");

  EXPECT_FALSE(core.RestorePreset(3));
  EXPECT_FALSE(core.RestorePreset(-1));
  EXPECT_EQ(core.CurrentPreset(), 1);
  EXPECT_EQ(core.PresetName(7), "");
}

TEST(PluginStateTest, BankLayoutForTheSingleInitPreset) {
  RecordingCore core;
  core.MakeDefaultPresets("Init", 1);
  core.MakeDefaultPresets(nullptr, 1);  // no slot left: nothing changes
  EXPECT_EQ(core.Preset(0)->name, "Init");
  StateChunk bank;
  ASSERT_TRUE(core.SerializePresets(bank));
  ASSERT_EQ(bank.Size(), 4 + 4 + 1 + 208);
  int32_t length = 0;
  EXPECT_EQ(bank.GetInt32(length, 0), 4);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(std::memcmp(bank.Data() + 4, "Init", 4), 0);
  EXPECT_EQ(bank.Data()[8], 1);
  EXPECT_EQ(std::memcmp(bank.Data() + 9, core.Preset(0)->state.Data(), 208), 0);
}

TEST(PluginStateTest, BankRoundTripAndDamagedBanks) {
  RecordingCore source(InstrumentLikeConfig("2-2", 2));
  source.GetParam(0)->SetValue(0.8);
  source.MakeDefaultPresets("Bright", 1);
  source.GetParam(0)->SetValue(0.1);
  source.MakeDefaultPresets("Dark", 1);
  StateChunk bank;
  source.SerializePresets(bank);

  RecordingCore target(InstrumentLikeConfig("2-2", 2));
  EXPECT_EQ(target.UnserializePresets(bank, 0), bank.Size());
  EXPECT_EQ(target.PresetName(0), "Bright");
  EXPECT_EQ(target.PresetName(1), "Dark");
  EXPECT_EQ(target.GetParam(0)->Value(), 0.8);  // the current preset (0) is restored

  // A name length that runs past the end, or a negative one, stops the read safely.
  for (int32_t badLength : {1 << 30, -5, 300}) {
    StateChunk damaged;
    damaged.PutInt32(badLength);
    damaged.PutBytes("xyz", 3);
    RecordingCore victim(InstrumentLikeConfig("2-2", 2));
    victim.MakeDefaultPresets("Keep", 2);
    EXPECT_EQ(victim.UnserializePresets(damaged, 0), -1) << badLength;
    EXPECT_EQ(victim.PresetName(0), "Keep");
  }

  // A bank cut inside the second preset leaves that preset as it was.
  StateChunk cut;
  cut.PutBytes(bank.Data(), bank.Size() - 20);
  RecordingCore partial(InstrumentLikeConfig("2-2", 2));
  partial.MakeDefaultPresets("Old", 2);
  EXPECT_EQ(partial.UnserializePresets(cut, 0), -1);
  EXPECT_EQ(partial.PresetName(0), "Bright");
}

TEST(PluginStateTest, ModifyCurrentPresetStoresValuesAndName) {
  RecordingCore core;
  core.MakeDefaultPresets("Init", 1);
  core.GetParam(2)->SetValue(0.33);
  core.ModifyCurrentPreset("Mine");
  EXPECT_EQ(core.PresetName(0), "Mine");
  core.GetParam(2)->SetValue(0.0);
  core.ModifyCurrentPreset(nullptr);
  EXPECT_EQ(core.PresetName(0), "Mine");
  double stored = -1;
  core.Preset(0)->state.GetDouble(stored, 16);
  EXPECT_EQ(stored, 0.0);
}

}  // namespace
}  // namespace fluvia
