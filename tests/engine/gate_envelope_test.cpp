#include "engine/gate_envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/water_engine.h"

namespace fluvia {
namespace {

// An engine at 48 kHz whose envelope is observed between blocks. The gate is sampled at the
// start of each block, so one long block behaves like many short ones at the same gate.
class EnvelopeFixture : public ::testing::Test {
 protected:
  void SetUp() override { engine_ = WaterEngine::Create(48000.0); }

  void Render(int frames) {
    buffer_.resize(static_cast<std::size_t>(2 * frames + 2));
    const double* inputs[2] = {buffer_.data(), buffer_.data()};
    double* outputs[2] = {buffer_.data(), buffer_.data() + frames + 1};
    ASSERT_EQ(engine_->Render(inputs, outputs, frames), 0);
  }
  void Gate(double g) { engine_->SetParameter(kVoice00_NoteGate, g); }
  const GateEnvelopeState& env() const { return engine_->Envelope(); }

  std::unique_ptr<WaterEngine> engine_;
  std::vector<double> buffer_;
};

TEST_F(EnvelopeFixture, AttackFollowsTheCurveAndEndsInSustain) {
  Gate(1.0);  // fade 0.3: T = 0.9 s = 43200 samples
  int done = 0;
  for (const int k : {1, 100, 10000, 21600, 43199}) {
    Render(k - done);
    done = k;
    EXPECT_EQ(env().stage, EnvelopeStage::kAttack) << k;
    // The clock is a running sum of 1/43200, so its rounding grows with k (about k ulps).
    EXPECT_NEAR(env().level, std::pow(k / 43200.0, 2.001), 1e-11) << k;
  }
  Render(3);
  EXPECT_EQ(env().stage, EnvelopeStage::kSustain);
  EXPECT_EQ(env().level, 1.0);
  EXPECT_EQ(env().smoothed, 1.0);
}

TEST_F(EnvelopeFixture, ReleaseReachesZeroAfterTheFadeTimeAndIdleAfterThreeTimesIt) {
  Gate(1.0);
  Render(50000);
  ASSERT_EQ(env().stage, EnvelopeStage::kSustain);
  Gate(0.0);
  Render(21600);
  EXPECT_EQ(env().stage, EnvelopeStage::kRelease);
  EXPECT_NEAR(env().level, std::pow(0.5, 2.001), 1e-12);
  Render(43190 - 21600);
  EXPECT_GT(env().level, 0.0);
  Render(20);
  EXPECT_EQ(env().level, 0.0);
  Render(129590 - 43210);
  EXPECT_EQ(env().stage, EnvelopeStage::kRelease);
  Render(20);
  EXPECT_EQ(env().stage, EnvelopeStage::kIdle);
  EXPECT_EQ(env().clock, 0.0);
}

TEST_F(EnvelopeFixture, RetriggerDuringReleaseStartsFromTheCurrentLevel) {
  Gate(1.0);
  Render(50000);
  Gate(0.0);
  while (env().level > 0.5) Render(1);
  const double start = env().level;
  Gate(1.0);
  Render(1);
  EXPECT_EQ(env().stage, EnvelopeStage::kAttack);
  EXPECT_EQ(env().attackStartLevel, start);
  // The attack covers the remaining distance in T * (1 - start) seconds.
  const int expected = static_cast<int>(std::ceil(0.9 * (1.0 - start) * 48000.0));
  Render(expected - 3);
  EXPECT_EQ(env().stage, EnvelopeStage::kAttack);
  Render(5);
  EXPECT_EQ(env().stage, EnvelopeStage::kSustain);
}

TEST_F(EnvelopeFixture, GateSetAndClearedBetweenBlocksIsNoEdge) {
  Gate(1.0);
  Gate(0.0);
  Render(100);
  EXPECT_EQ(env().stage, EnvelopeStage::kIdle);
  Gate(0.5);  // not a change of exactly one
  Render(100);
  EXPECT_EQ(env().stage, EnvelopeStage::kIdle);
}

TEST(GateEnvelopeBlockValues, FadeTimeAndSlewCoefficients) {
  struct Case {
    double fade, rate, fadeTime, down;
  } cases[] = {
      {0.0, 48000, 0.001, 1.0 / 48},    {1.0, 48000, 10.0, 1.0 / 48}, {0.3, 48000, 0.9, 1.0 / 48},
      {-2.0, 44100, 0.001, 1.0 / 44.1}, {0.3, 500, 0.9, 1.0},         {0.3, 0, 0.9, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.fade << " @ " << c.rate);
    const GateEnvelopeBlock b = PrepareGateEnvelope(1.0, c.fade, c.rate);
    EXPECT_DOUBLE_EQ(b.fadeTime, c.fadeTime);
    EXPECT_EQ(b.up, 1.0);
    EXPECT_DOUBLE_EQ(b.down, c.down);
  }
  EXPECT_EQ(PrepareGateEnvelope(7.0, 0.3, 48000).gate, 1.0);
  EXPECT_EQ(PrepareGateEnvelope(-1.0, 0.3, 48000).gate, 0.0);
}

// Stages of zero length: the clock never moves and the level holds until the next edge.
TEST(GateEnvelopeStages, ZeroLengthStagesHoldTheirLevel) {
  const GateEnvelopeBlock block = PrepareGateEnvelope(1.0, 0.3, 48000.0);
  struct Case {
    const char* what;
    double level;
    double gate;
    EnvelopeStage stage;
  } cases[] = {
      {"rising edge at level 1", 1.0, 1.0, EnvelopeStage::kAttack},
      {"falling edge at level 0", 0.0, 0.0, EnvelopeStage::kRelease},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GateEnvelopeState s;
    s.level = c.level;
    s.smoothed = c.level;
    s.risingHistory = s.fallingHistory = 1.0 - c.gate;
    ApplyGateEdges(s, c.gate);
    EXPECT_EQ(s.stage, c.stage);
    EXPECT_EQ(StageClockIncrement(s, block), 0.0);
    double levels[50];
    RenderGateLevels(s, block, levels, 50);
    for (const double level : levels) EXPECT_EQ(level, c.level);
    EXPECT_EQ(s.stage, c.stage);
    EXPECT_EQ(s.level, c.level);
    EXPECT_EQ(s.clock, 0.0);
  }
}

TEST(GateEnvelopeSlew, RisesAtOnceAndFallsOverAMillisecondToExactZero) {
  const double down = 1.0 / 48.0;
  EXPECT_EQ(SlewEnvelope(0.25, 0.75, 1.0, down), 0.75);
  double s = 1.0;
  int steps = 0;
  while (EnvelopeOutput(s) > 0.0) {
    const double next = SlewEnvelope(s, 0.0, 1.0, down);
    EXPECT_DOUBLE_EQ(next, s * (1.0 - down));
    s = next;
    ++steps;
  }
  EXPECT_LT(s, 1e-8);
  EXPECT_GT(s, 0.0);  // the smoothed value lives on; only the output is silenced
  EXPECT_NEAR(steps, std::log(1e-8) / std::log(1.0 - down), 1.0);

  struct OutputCase {
    double smoothed, output;
  } outputs[] = {{-1.0, 0.0}, {0.0, 0.0}, {0.9e-8, 0.0}, {1e-8, 1e-8},
                 {0.5, 0.5},  {1.0, 1.0}, {3.0, 1.0},    {std::nan(""), 0.0}};
  for (const OutputCase& c : outputs) EXPECT_EQ(EnvelopeOutput(c.smoothed), c.output);
}

}  // namespace
}  // namespace fluvia
