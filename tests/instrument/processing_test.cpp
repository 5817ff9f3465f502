#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/noise.h"
#include "engine/water_engine.h"
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

TEST_F(InstrumentTest, SampleRateChangesReachTheEngineAtTheBaseRateOfTheirFamily) {
  const struct {
    double host, engine;
  } rates[] = {{22050.0, 22050.0}, {44100.0, 44100.0}, {96000.0, 48000.0},
               {176400.0, 44100.0}, {192000.0, 48000.0}, {48000.0, 48000.0}};
  for (const auto& rate : rates) {
    plugin.SetSampleRate(rate.host);
    plugin.ResetDsp();
    EXPECT_EQ(plugin.Engine().SampleRate(), rate.engine) << rate.host;
    EXPECT_EQ(plugin.RateRenderer().Plan().ratio, int(rate.host / rate.engine));
    NoteOn(60);
    float peak = 0.f;
    for (int b = 0; b < 80; ++b) peak = std::max(peak, Block());
    EXPECT_GT(peak, 0.f) << rate.host;
    for (float s : left) ASSERT_TRUE(std::isfinite(s));
  }
}

TEST_F(InstrumentTest, AtFortyFourAndFortyEightKilohertzTheEngineRendersStraightIntoTheBuffers) {
  // Nothing comes between the engine and the host's buffers at the common rates: the output
  // is the engine's Render of the same blocks, sample for sample.
  for (double rate : {44100.0, 48000.0}) {
    SCOPED_TRACE(rate);
    plugin.SetSampleRate(rate);
    plugin.ResetDsp();
    auto engine = WaterEngine::Create(44100.0);  // created as the instrument creates its own
    engine->Reset(rate);
    std::vector<double> l(kBlock), r(kBlock), el(kBlock), er(kBlock), none(kBlock, 0.0);
    double* outs[] = {l.data(), r.data()};
    double* engineOuts[] = {el.data(), er.data()};
    const double* ins[] = {none.data(), none.data()};
    SetNoiseState(kNoiseLoadState);
    NoteOn(60);
    Controller(12, 90);
    for (int b = 0; b < 200; ++b) {
      if (b == 150) NoteOff(60);
      const std::uint32_t noise = NoiseState();
      {
        std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
        plugin.AttachOutputBuffers(0, 2, outs);
        plugin.ProcessBuffers(kBlock);
      }
      for (int i = 0; i < kEngineParamCount; ++i) {
        engine->SetParameter(i, plugin.Engine().Parameter(i));
      }
      SetNoiseState(noise);
      engine->Render(ins, engineOuts, kBlock);
      ASSERT_EQ(l, el) << "block " << b;
      ASSERT_EQ(r, er) << "block " << b;
    }
  }
}

TEST_F(InstrumentTest, At96KilohertzCallsOfAnyLengthGiveTheSameSamples) {
  // The base's buffer path at several block sizes and direct calls of changing lengths, with
  // a note that starts at frame 0 and ends between two calls at frame 9001.
  plugin.SetSampleRate(96000.0);
  plugin.SetMaxBlockSize(4096);
  auto render = [&](const std::vector<int>& lengths, bool direct) {
    plugin.ResetDsp();
    SetNoiseState(kNoiseLoadState);
    Controller(8, 0);  // the shortest fade: the note speaks at once
    NoteOn(60);
    Controller(12, 100);
    std::vector<double> l(20000), r(20000), none(4096, 0.0);
    size_t next = 0;
    for (int done = 0; done < 20000;) {
      int n = std::min(lengths[next++ % lengths.size()], 20000 - done);
      if (done < 9001) n = std::min(n, 9001 - done);
      if (done == 9001) NoteOff(60);
      double* outs[] = {l.data() + done, r.data() + done};
      double* ins[] = {none.data(), none.data()};
      std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
      if (direct) {
        plugin.ProcessCallStarting();
        plugin.ProcessDouble(ins, outs, n);
      } else {
        plugin.AttachOutputBuffers(0, 2, outs);
        plugin.ProcessBuffers(n);
      }
      done += n;
    }
    return std::make_pair(l, r);
  };
  const auto reference = render({512}, false);
  double energy = 0.0;
  for (double x : reference.first) energy += x * x;
  ASSERT_GT(energy, 1e-3);
  for (int block : {1, 7, 64, 4096}) EXPECT_EQ(render({block}, false), reference) << block;
  EXPECT_EQ(render({1, 300, 7, 1000, 2, 33}, true), reference);
  EXPECT_EQ(render({4001, 3}, true), reference);
}

}  // namespace
}  // namespace fluvia
