#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/noise.h"
#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentTest;

TEST_F(InstrumentTest, BothChannelsAreEqualWithoutSpreadAndDifferWithIt) {
  NoteOn(60);
  for (int b = 0; b < 40; ++b) Block();
  EXPECT_EQ(left, right);
  Controller(12, 127);  // SoundfieldAmt 1: 40 ms and 16 ms delays
  for (int b = 0; b < 40; ++b) Block();
  EXPECT_NE(left, right);
}

TEST_F(InstrumentTest, SixtyFourBitBuffersGiveTheSameSoundAsThirtyTwoBit) {
  // Two instruments from the same noise position: one through 32-bit, one through 64-bit.
  Fluvia twin{testing::TestOptions()};
  twin.SetInputChannelConnections(0, 2, true);
  twin.SetOutputChannelConnections(0, 2, true);
  twin.SetSampleRate(48000.0);
  twin.SetMaxBlockSize(kBlock);
  twin.ResetDsp();
  std::vector<double> l64(kBlock), r64(kBlock);
  double* outs64[] = {l64.data(), r64.data()};

  NoteOn(60);
  twin.ProcessMidi({0, 0x90, 60, 100});
  for (int b = 0; b < 20; ++b) {
    const uint32_t start = NoiseState();
    Block();
    SetNoiseState(start);
    twin.AttachOutputBuffers(0, 2, outs64);
    twin.ProcessBuffers(kBlock);
    for (int i = 0; i < kBlock; ++i) ASSERT_EQ(left[size_t(i)], float(l64[size_t(i)])) << b << ":" << i;
  }
  EXPECT_GT(std::abs(l64[10]) + std::abs(l64[100]), 0.0);
}

TEST_F(InstrumentTest, ZeroFrameBlocksAndUnpreparedInstancesAreSilentAndSafe) {
  NoteOn(60);
  Block(0);
  EXPECT_EQ(plugin.PendingMidi().Size(), 1);  // nothing was due in an empty block

  Fluvia unprepared{testing::TestOptions()};  // no block size announced yet
  unprepared.SetOutputChannelConnections(0, 2, true);
  std::vector<float> l(64, 3.f), r(64, 3.f);
  float* outs[] = {l.data(), r.data()};
  unprepared.ProcessMidi({0, 0x90, 60, 100});
  unprepared.AttachOutputBuffers(0, 2, outs);
  unprepared.ProcessBuffers(64);
  EXPECT_EQ(l, std::vector<float>(64, 0.f));
}

TEST_F(InstrumentTest, SampleRateChangesReachTheEngine) {
  for (double rate : {22050.0, 44100.0, 96000.0, 192000.0}) {
    plugin.SetSampleRate(rate);
    plugin.ResetDsp();
    EXPECT_EQ(plugin.Engine().SampleRate(), rate);
    NoteOn(60);
    float peak = 0.f;
    for (int b = 0; b < 80; ++b) peak = std::max(peak, Block());
    EXPECT_GT(peak, 0.f) << rate;
    for (float s : left) ASSERT_TRUE(std::isfinite(s));
  }
}

}  // namespace
}  // namespace fluvia
