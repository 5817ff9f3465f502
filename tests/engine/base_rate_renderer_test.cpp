// The engine at the base rate of the host's rate family: which rate it runs at, that the
// common rates still render straight into the host's buffers, and that the stream depends only
// on where changes fall in it, never on how it is cut into calls.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/base_rate_renderer.h"
#include "engine/noise.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

TEST(BaseRatePlan, HostRatesMapOntoTheNearestBaseRateByPowersOfTwo) {
  const struct {
    double host;
    int ratio;
    double engine;
  } cases[] = {
      {8000.0, 1, 8000.0},        {22050.0, 1, 22050.0},      {32000.0, 1, 32000.0},
      {44100.0, 1, 44100.0},      {48000.0, 1, 48000.0},      {50000.0, 1, 50000.0},
      {64000.0, 1, 64000.0},      {65000.0, 1, 65000.0},      {65200.0, 2, 32600.0},
      {88200.0, 2, 44100.0},      {96000.0, 2, 48000.0},      {100000.0, 2, 50000.0},
      {176400.0, 4, 44100.0},     {192000.0, 4, 48000.0},     {352800.0, 8, 44100.0},
      {384000.0, 8, 48000.0},     {705600.0, 16, 44100.0},    {768000.0, 16, 48000.0},
      {1536000.0, 16, 96000.0},
  };
  for (const auto& c : cases) {
    const BaseRatePlan plan = PlanBaseRate(c.host);
    EXPECT_EQ(plan.ratio, c.ratio) << c.host;
    EXPECT_EQ(plan.engineRate, c.engine) << c.host;
  }
  // Not a rate: rendered as it is (the engine treats it as 0 and stays silent).
  for (double bad : {0.0, -96000.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
    const BaseRatePlan plan = PlanBaseRate(bad);
    EXPECT_EQ(plan.ratio, 1) << bad;
    EXPECT_TRUE(plan.engineRate == bad || (std::isnan(bad) && std::isnan(plan.engineRate)));
  }
}

struct Change {
  long frame;  // host frame the change is made before
  int index;
  double value;
};

struct Output {
  std::vector<double> left, right;
};

// Plays `frames` host frames from the noise generator's load state, calling Render with the
// lengths of `cuts` in turn (cut again wherever a change falls), like a host that applies
// each change between two calls.
Output Play(double hostRate, const std::vector<int>& cuts, const std::vector<Change>& changes,
            long frames, BaseRateRenderer* keep = nullptr) {
  BaseRateRenderer local;
  BaseRateRenderer& renderer = keep ? *keep : local;
  renderer.Prepare(hostRate, 512);
  auto engine = WaterEngine::Create(renderer.EngineRate());
  engine->SetParameter(kSoundfieldAmt, 0.6);
  SetNoiseState(kNoiseLoadState);
  Output out;
  out.left.assign(size_t(frames), -7.0);
  out.right.assign(size_t(frames), -7.0);
  const std::vector<double> silence(size_t(frames), 0.0);
  size_t nextChange = 0, cut = 0;
  for (long done = 0; done < frames;) {
    while (nextChange < changes.size() && changes[nextChange].frame == done) {
      engine->SetParameter(changes[nextChange].index, changes[nextChange].value);
      ++nextChange;
    }
    long n = std::min<long>(frames - done, cuts[cut++ % cuts.size()]);
    if (nextChange < changes.size()) n = std::min(n, changes[nextChange].frame - done);
    const double* inputs[2] = {silence.data(), silence.data()};
    double* outputs[2] = {out.left.data() + done, out.right.data() + done};
    renderer.Render(*engine, inputs, outputs, int(n));
    done += n;
  }
  return out;
}

const std::vector<Change> kNoteWithMoves = {
    {0, kVoice00_NoteGate, 1.0},
    {1001, kContainerSize, 0.6},
    {2003, kSoundfieldAmt, 0.2},
    {2999, kParticlesCollisions, 0.9},
    {30001, kVoice00_NoteGate, 0.0},
};

TEST(BaseRateRenderer, AtCommonRatesTheEngineRendersStraightIntoTheHostBuffers) {
  for (double rate : {22050.0, 44100.0, 48000.0}) {
    SCOPED_TRACE(rate);
    const Output out = Play(rate, {100, 37}, kNoteWithMoves, 40000);
    // The same calls on a bare engine.
    auto engine = WaterEngine::Create(rate);
    engine->SetParameter(kSoundfieldAmt, 0.6);
    SetNoiseState(kNoiseLoadState);
    std::vector<double> left(40000), right(40000), silence(40000, 0.0);
    size_t nextChange = 0, cut = 0;
    const int cuts[] = {100, 37};
    for (long done = 0; done < 40000;) {
      while (nextChange < kNoteWithMoves.size() && kNoteWithMoves[nextChange].frame == done) {
        engine->SetParameter(kNoteWithMoves[nextChange].index, kNoteWithMoves[nextChange].value);
        ++nextChange;
      }
      long n = std::min<long>(40000 - done, cuts[cut++ % 2]);
      if (nextChange < kNoteWithMoves.size()) n = std::min(n, kNoteWithMoves[nextChange].frame - done);
      const double* inputs[2] = {silence.data(), silence.data()};
      double* outputs[2] = {left.data() + done, right.data() + done};
      engine->Render(inputs, outputs, int(n));
      done += n;
    }
    ASSERT_EQ(out.left, left);
    ASSERT_EQ(out.right, right);
  }
}

TEST(BaseRateRenderer, GivesTheSameSamplesHoweverTheStreamIsCut) {
  for (double rate : {88200.0, 96000.0, 192000.0}) {
    SCOPED_TRACE(rate);
    const Output reference = Play(rate, {512}, kNoteWithMoves, 40000);
    double energy = 0.0;
    for (double x : reference.left) energy += x * x;
    ASSERT_GT(energy, 1e-4);  // not silent (the attack takes 0.9 s)
    for (const std::vector<int>& cuts :
         {std::vector<int>{1}, {7}, {64}, {3, 500, 17, 1}, {511, 2}}) {
      const Output out = Play(rate, cuts, kNoteWithMoves, 40000);
      ASSERT_EQ(out.left, reference.left);
      ASSERT_EQ(out.right, reference.right);
    }
  }
}

TEST(BaseRateRenderer, AChangeBetweenCallsActsFromTheNextEngineFrame) {
  // At 192 kHz an engine frame makes four host frames. A change made before host frame 4001
  // finds engine frames 0 to 1000 rendered (host frames 4001 to 4003 come from frame 1000) and
  // acts from engine frame 1001 on: at host frame 4004, three frames late.
  const std::vector<Change> changes = {{0, kVoice00_NoteGate, 1.0}, {4001, kContainerSize, 0.9}};
  BaseRateRenderer renderer;
  const Output out = Play(192000.0, {4001, 999}, changes, 8000, &renderer);
  EXPECT_EQ(renderer.EngineFrames(), 2000);

  // The same from the engine's side: the change before engine frame 1001, then upsampled.
  auto engine = WaterEngine::Create(48000.0);
  engine->SetParameter(kSoundfieldAmt, 0.6);
  SetNoiseState(kNoiseLoadState);
  std::vector<double> left(2000), right(2000), silence(2000, 0.0);
  const double* inputs[2] = {silence.data(), silence.data()};
  double* first[2] = {left.data(), right.data()};
  double* second[2] = {left.data() + 1001, right.data() + 1001};
  engine->SetParameter(kVoice00_NoteGate, 1.0);
  engine->Render(inputs, first, 1001);
  engine->SetParameter(kContainerSize, 0.9);
  engine->Render(inputs, second, 999);
  StereoUpsampler upsampler;
  upsampler.Configure(4, 48000.0);
  std::vector<double> upLeft(8000), upRight(8000);
  upsampler.Process(left.data(), right.data(), 2000, upLeft.data(), upRight.data());
  EXPECT_EQ(out.left, upLeft);
  EXPECT_EQ(out.right, upRight);
}

TEST(BaseRateRenderer, EngineFramesFollowTheHostPosition) {
  BaseRateRenderer renderer;
  renderer.Prepare(96000.0, 64);
  auto engine = WaterEngine::Create(renderer.EngineRate());
  std::vector<double> left(600), right(600), silence(600, 0.0);
  const double* inputs[2] = {silence.data(), silence.data()};
  double* outputs[2] = {left.data(), right.data()};
  long host = 0;
  for (int n : {1, 1, 1, 3, 600, 5, 64, 63}) {  // longer than the announced block size too
    renderer.Render(*engine, inputs, outputs, n);
    host += n;
    EXPECT_EQ(renderer.EngineFrames(), (host + 1) / 2) << host;
  }
}

TEST(BaseRateRenderer, ANullChannelLatchesTheEngineErrorAndTheStreamGoesSilent) {
  BaseRateRenderer renderer;
  renderer.Prepare(96000.0, 256);
  auto engine = WaterEngine::Create(renderer.EngineRate());
  engine->SetParameter(kVoice00_NoteGate, 1.0);
  std::vector<double> left(256, 5.0), right(256, 5.0), silence(256, 0.0);
  const double* inputs[2] = {silence.data(), silence.data()};
  double* outputs[2] = {left.data(), right.data()};
  for (int i = 0; i < 50; ++i) renderer.Render(*engine, inputs, outputs, 255);
  double* broken[2] = {left.data(), nullptr};
  renderer.Render(*engine, inputs, broken, 256);
  EXPECT_EQ(engine->ErrorState(), WaterEngine::kNullChannelError);
  const double* noInputs[2] = {nullptr, nullptr};
  renderer.Render(*engine, noInputs, outputs, 256);  // no crash either
  for (int i = 0; i < 100; ++i) renderer.Render(*engine, inputs, outputs, 256);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(left[size_t(i)], 0.0);
    ASSERT_EQ(right[size_t(i)], 0.0);
  }
}

TEST(BaseRateRenderer, RenderingAllocatesNothing) {
  for (double rate : {96000.0, 192000.0, 768000.0}) {
    BaseRateRenderer renderer;
    renderer.Prepare(rate, 512);
    auto engine = WaterEngine::Create(renderer.EngineRate());
    engine->SetParameter(kVoice00_NoteGate, 1.0);
    std::vector<double> left(1500), right(1500), silence(1500, 0.0);
    const double* inputs[2] = {silence.data(), silence.data()};
    double* outputs[2] = {left.data(), right.data()};
    test_support::AllocationCounter counter;
    for (int i = 0; i < 200; ++i) {
      engine->SetParameter(kContainerSize, (i % 10) / 10.0);
      renderer.Render(*engine, inputs, outputs, 1 + (i * 37) % 1500);
    }
    EXPECT_EQ(counter.Count(), 0u) << rate;
  }
}

}  // namespace
}  // namespace fluvia
