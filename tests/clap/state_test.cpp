// The saved state: the VST3 module's bytes (26 little-endian doubles, then the bypass flag as
// a 32-bit integer), restored by another instance exactly, moved between the CLAP and the
// VST3 module both ways, and read from streams that deliver piecemeal, end early or fail.

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "tests/clap/clap_fixture.h"
#include "tests/vst3/byte_stream.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::claptest {
namespace {

double DoubleAt(const std::vector<uint8_t>& bytes, size_t offset) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[offset + size_t(i)];
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

void PutDouble(std::vector<uint8_t>& bytes, size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) bytes[offset + size_t(i)] = uint8_t(bits >> (8 * i));
}

std::vector<double> Values(claphost::ClapInstance& plugin) {
  std::vector<double> values;
  for (int i = 0; i < 26; ++i) values.push_back(plugin.Value(ParamId(i)));
  return values;
}

class ClapState : public ClapTest {
 protected:
  // Moves a few parameters away from their defaults through the host's flush.
  void ChangeSome(claphost::ClapInstance& target) {
    target.Events().ParamValue(ParamId(kAmpMainVolume), 0.3125, 0);
    target.Events().ParamValue(ParamId(kSoundfieldAmt), 0.8, 0);
    target.Events().ParamValue(ParamId(kContainerSize), 0.55, 0);
    target.Events().ParamValue(ParamId(kHostTempoBpm), 97.0, 0);
    target.Flush();
    target.Events().Clear();
  }
  std::unique_ptr<claphost::ClapInstance> Second() {
    std::string error;
    auto second = claphost::ClapInstance::Create(*module_, host_, error);
    EXPECT_TRUE(second) << error;
    return second;
  }
};

TEST_F(ClapState, SavesTheParameterBlockAndTheBypassFlag) {
  ChangeSome(plugin());
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(plugin().SaveState(bytes));
  ASSERT_EQ(bytes.size(), 212u);
  EXPECT_EQ(DoubleAt(bytes, 8 * kAmpMainVolume), 0.3125);
  EXPECT_EQ(DoubleAt(bytes, 8 * kHostTempoBpm), 97.0);
  EXPECT_EQ(DoubleAt(bytes, 8 * kVoice00_NoteNumber), 64.0);
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
  // A host that takes a few bytes per call gets the same bytes; one that fails gets false.
  std::vector<uint8_t> piecemeal;
  ASSERT_TRUE(plugin().SaveState(piecemeal, {3, UINT64_MAX, false}));
  EXPECT_EQ(piecemeal, bytes);
  std::vector<uint8_t> cut;
  EXPECT_FALSE(plugin().SaveState(cut, {0, 100, true}));
}

TEST_F(ClapState, AnotherInstanceRestoresTheStateExactly) {
  ChangeSome(plugin());
  std::vector<uint8_t> saved;
  ASSERT_TRUE(plugin().SaveState(saved));
  auto second = Second();
  ASSERT_TRUE(second);
  EXPECT_NE(Values(*second), Values(plugin()));
  ASSERT_TRUE(second->LoadState(saved, {1, UINT64_MAX, false}));  // a byte per read
  EXPECT_EQ(Values(*second), Values(plugin()));
  std::vector<uint8_t> again;
  ASSERT_TRUE(second->SaveState(again));
  EXPECT_EQ(again, saved);
}

// A project saved with the VST3 module opens in the CLAP module and back, byte for byte.
TEST_F(ClapState, MovesBetweenTheVst3AndTheClapModule) {
  using namespace Steinberg;
  std::string error;
  vst3host::HostApplication vst3Host;
  auto vst3Module = vst3host::Vst3Module::Load(Vst3BundlePath(), error);
  ASSERT_TRUE(vst3Module) << error;
  auto vst3 = vst3host::Vst3Plugin::Create(*vst3Module, vst3Host, error);
  ASSERT_TRUE(vst3) << error;

  // VST3 to CLAP.
  vst3->Controller()->setParamNormalized(kAmpMainVolume, 0.2);
  vst3->Controller()->setParamNormalized(kParticlesCollisions, 0.9);
  vst3->Controller()->setParamNormalized(kHostTempoBpm, 0.133);
  vst3test::ByteStream fromVst3;
  ASSERT_EQ(vst3->Controller()->getState(&fromVst3), kResultOk);
  ASSERT_TRUE(plugin().LoadState(fromVst3.Bytes()));
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.2);
  EXPECT_EQ(plugin().Value(ParamId(kParticlesCollisions)), 0.9);
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(plugin().Value(ParamId(i)),
              vst3->Controller()->normalizedParamToPlain(Vst::ParamID(i),
                                                         vst3->Controller()->getParamNormalized(Vst::ParamID(i))))
        << i;
  }
  std::vector<uint8_t> clapBytes;
  ASSERT_TRUE(plugin().SaveState(clapBytes));
  EXPECT_EQ(clapBytes, fromVst3.Bytes());

  // CLAP to VST3.
  ChangeSome(plugin());
  ASSERT_TRUE(plugin().SaveState(clapBytes));
  vst3test::ByteStream toVst3(clapBytes);
  ASSERT_EQ(vst3->Controller()->setState(&toVst3), kResultOk);
  vst3test::ByteStream back;
  ASSERT_EQ(vst3->Controller()->getState(&back), kResultOk);
  EXPECT_EQ(back.Bytes(), clapBytes);
  EXPECT_NEAR(vst3->Controller()->getParamNormalized(kAmpMainVolume), 0.3125, 1e-15);
}

// A project saved with the VST3 module of release 1.0.2, before hosts saw the knobs by their
// labels: the CLAP module restores it and saves the same bytes back.
TEST_F(ClapState, AVst3StateSavedByRelease102RestoresByteForByte) {
  std::ifstream file(std::string(FLUVIA_VST3_FIXTURES) + "/state-1.0.2.bin", std::ios::binary);
  const std::vector<uint8_t> saved(std::istreambuf_iterator<char>(file), {});
  ASSERT_EQ(saved.size(), 212u);
  ASSERT_TRUE(plugin().LoadState(saved));
  std::vector<uint8_t> again;
  ASSERT_TRUE(plugin().SaveState(again));
  EXPECT_EQ(again, saved);
  EXPECT_NEAR(plugin().Value(ParamId(kHostTempoBpm)), 133.0, 1e-9);
}

// Streams that end early or fail: the values delivered whole are applied, the others keep
// theirs, and the load reports failure. The same as the VST3 module does with such a stream.
TEST_F(ClapState, ShortAndFailingStreamsKeepWhatTheyDidNotDeliver) {
  auto donor = Second();
  ASSERT_TRUE(donor);
  ChangeSome(*donor);
  std::vector<uint8_t> saved;
  ASSERT_TRUE(donor->SaveState(saved));
  const std::vector<double> before = Values(plugin());
  const std::vector<double> wanted = Values(*donor);

  struct Case {
    claphost::StreamBehaviour behaviour;
    int applied;  // leading parameters taken from the stream
  };
  for (const Case& c : {Case{{0, 96, false}, 12}, Case{{0, 100, false}, 12},
                        Case{{7, 60, true}, 7}, Case{{0, 0, true}, 0}, Case{{0, 208, false}, 26}}) {
    SCOPED_TRACE(testing::Message() << "stream ends after " << c.behaviour.limit);
    auto target = Second();
    ASSERT_TRUE(target);
    EXPECT_FALSE(target->LoadState(saved, c.behaviour));
    const std::vector<double> got = Values(*target);
    for (int i = 0; i < 26; ++i) {
      EXPECT_EQ(got[size_t(i)], i < c.applied ? wanted[size_t(i)] : before[size_t(i)]) << i;
    }
  }
  // The whole state with an empty stream behind it is complete.
  EXPECT_TRUE(plugin().LoadState(saved));
  EXPECT_EQ(Values(plugin()), wanted);
}

TEST_F(ClapState, GarbageValuesAreClampedOrRefused) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(plugin().SaveState(bytes));
  PutDouble(bytes, 8 * kAmpMainVolume, std::numeric_limits<double>::quiet_NaN());
  PutDouble(bytes, 8 * kSoundfieldAmt, 1e300);
  PutDouble(bytes, 8 * kContainerSize, -std::numeric_limits<double>::infinity());
  PutDouble(bytes, 8 * kHostTempoBpm, 250.0);
  ASSERT_TRUE(plugin().LoadState(bytes));
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.75);  // NaN: the value stays
  EXPECT_EQ(plugin().Value(ParamId(kSoundfieldAmt)), 1.0);
  EXPECT_EQ(plugin().Value(ParamId(kContainerSize)), 0.0);
  EXPECT_EQ(plugin().Value(ParamId(kHostTempoBpm)), 250.0);
  // Bytes after the state are not read.
  bytes.resize(1000, 0xEE);
  EXPECT_TRUE(plugin().LoadState(bytes));
  const auto* state = plugin().Ext<clap::PluginState>(clap::kExtState);
  EXPECT_FALSE(state->load(record(), nullptr));
  EXPECT_FALSE(state->save(record(), nullptr));
  clap::IStream noRead{nullptr, nullptr};
  EXPECT_FALSE(state->load(record(), &noRead));
  // A stream that claims more than it was asked for counts only the request.
  clap::IStream liar{nullptr, [](const clap::IStream*, void*, uint64_t size) {
                       return int64_t(size) + 1000;
                     }};
  EXPECT_TRUE(state->load(record(), &liar));
  for (int i = 0; i < 26; ++i) EXPECT_TRUE(std::isfinite(plugin().Value(ParamId(i)))) << i;
}

}  // namespace
}  // namespace fluvia::claptest
