// The saved state: 26 little-endian doubles, then the bypass flag as a 32-bit integer.

#include <cmath>
#include <cstring>
#include <random>

#include "tests/vst3/byte_stream.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

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

std::vector<double> AllNormalised(IEditController* controller) {
  std::vector<double> values;
  for (ParamID id = 0; id < 26; ++id) values.push_back(controller->getParamNormalized(id));
  return values;
}

using Vst3State = PluginTest;

TEST_F(Vst3State, GetStateWritesTheParameterBlockAndTheBypassFlag) {
  ByteStream stream;
  ASSERT_EQ(controller()->getState(&stream), kResultOk);
  const std::vector<uint8_t>& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 212u);
  EXPECT_EQ(DoubleAt(bytes, 8 * kAmpMainVolume), 0.75);
  EXPECT_EQ(DoubleAt(bytes, 8 * kHostTempoBpm), 120.0);
  EXPECT_EQ(DoubleAt(bytes, 8 * kVoice00_NoteNumber), 64.0);
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 0}));

  ByteStream failing;
  failing.FailWrites();
  EXPECT_EQ(controller()->getState(&failing), kResultFalse);
  EXPECT_EQ(controller()->getState(nullptr), kInvalidArgument);
}

TEST_F(Vst3State, StateRoundTripsIntoAnotherInstance) {
  controller()->setParamNormalized(kAmpMainVolume, 0.2);
  controller()->setParamNormalized(kContainerSize, 0.9);
  controller()->setParamNormalized(kSoundfieldAmt, 0.45);
  const std::vector<double> saved = AllNormalised(controller());
  ByteStream stream;
  ASSERT_EQ(controller()->getState(&stream), kResultOk);

  std::string error;
  vst3host::HostApplication otherHost;
  auto other = vst3host::Vst3Plugin::Create(*module_, otherHost, error);
  ASSERT_TRUE(other) << error;
  stream.Rewind();
  ASSERT_EQ(other->Controller()->setState(&stream), kResultOk);
  EXPECT_EQ(AllNormalised(other->Controller()), saved);

  // A stream that hands out a few bytes per read is read to the end all the same.
  ByteStream slow(stream.Bytes());
  slow.LimitReadChunk(3);
  controller()->setParamNormalized(kAmpMainVolume, 0.9);
  ASSERT_EQ(controller()->setState(&slow), kResultOk);
  EXPECT_EQ(AllNormalised(controller()), saved);
}

TEST_F(Vst3State, ShortEmptyAndFailingStreamsKeepWhatTheyDoNotDeliver) {
  ByteStream full;
  ASSERT_EQ(controller()->getState(&full), kResultOk);
  std::vector<uint8_t> changed = full.Bytes();
  for (int i = 0; i < 26; ++i) PutDouble(changed, size_t(8 * i), 0.5 + 0.001 * i);
  PutDouble(changed, 8 * kHostTempoBpm, 300.0);

  struct Case {
    const char* what;
    size_t delivered;      // bytes of `changed` the stream offers
    size_t failAfter;      // reads past this fail
    int paramsFromStream;  // leading parameters that take the stream's values
    tresult expected;
  };
  const Case table[] = {
      {"full", 212, SIZE_MAX, 26, kResultOk},
      {"ends after 96 bytes", 96, SIZE_MAX, 12, kResultFalse},
      {"ends inside a value", 100, SIZE_MAX, 12, kResultFalse},
      {"empty", 0, SIZE_MAX, 0, kResultFalse},
      {"fails after 40 bytes", 212, 40, 5, kResultFalse},
      {"fails before the bypass flag", 212, 208, 26, kResultFalse},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.what);
    ByteStream defaults(full.Bytes());
    ASSERT_EQ(controller()->setState(&defaults), kResultOk);
    const std::vector<double> before = AllNormalised(controller());

    ByteStream stream(std::vector<uint8_t>(changed.begin(), changed.begin() + long(c.delivered)));
    stream.FailReadsAfter(c.failAfter);
    EXPECT_EQ(controller()->setState(&stream), c.expected);
    const std::vector<double> after = AllNormalised(controller());
    for (int i = 0; i < 26; ++i) {
      if (i == kPresetSelector) continue;  // the instrument resets it after every change
      if (i < c.paramsFromStream) {
        ParamValue expected = controller()->plainParamToNormalized(ParamID(i), DoubleAt(changed, size_t(8 * i)));
        EXPECT_NEAR(after[size_t(i)], expected, 1e-12) << i;
      } else {
        EXPECT_EQ(after[size_t(i)], before[size_t(i)]) << i;
      }
    }
  }
  EXPECT_EQ(controller()->setState(nullptr), kInvalidArgument);
}

TEST_F(Vst3State, GarbageStatesLeaveEveryParameterInRange) {
  std::mt19937 random(11);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> bytes(size_t(random() % 300));
    for (auto& b : bytes) b = uint8_t(random());
    // Include the troublesome doubles: NaN, infinities, huge, denormal.
    if (bytes.size() >= 40) {
      PutDouble(bytes, 0, std::nan(""));
      PutDouble(bytes, 8, INFINITY);
      PutDouble(bytes, 16, -INFINITY);
      PutDouble(bytes, 24, 1e308);
      PutDouble(bytes, 32, 4e-320);
    }
    ByteStream stream(bytes);
    controller()->setState(&stream);
    for (ParamID id = 0; id < 26; ++id) {
      const double v = controller()->getParamNormalized(id);
      ASSERT_TRUE(v >= 0.0 && v <= 1.0) << "round " << round << " id " << id << " " << v;
    }
  }
  // And the plug-in still plays.
  Start();
  controller()->setParamNormalized(kAmpMainVolume, 0.75);
  NoteOn();
  Stereo out;
  Render(out, 20, 512);
  EXPECT_TRUE(out.AllFinite());
}

TEST_F(Vst3State, TheBypassFlagTravelsWithTheStateAndSilencesTheInstrument) {
  ByteStream stream;
  ASSERT_EQ(controller()->getState(&stream), kResultOk);
  std::vector<uint8_t> bypassed = stream.Bytes();
  bypassed[208] = 1;
  Start();
  ByteStream in(bypassed);
  ASSERT_EQ(controller()->setState(&in), kResultOk);
  ByteStream out;
  ASSERT_EQ(controller()->getState(&out), kResultOk);
  EXPECT_EQ(out.Bytes()[208], 1u);

  // Bypassed, the instrument passes its (silent) inputs through instead of playing.
  NoteOn();
  Stereo silent;
  Render(silent, 20, 512);
  EXPECT_EQ(silent.Peak(), 0.0);

  // A new processing setup ends the bypass.
  plugin().Stop();
  Start();
  NoteOn();
  Stereo sound;
  Render(sound, 20, 512);
  EXPECT_GT(sound.Peak(), 1e-3);
}

}  // namespace
}  // namespace fluvia::vst3test
