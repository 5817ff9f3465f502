// The optimised renderer against the plain reference renderer, over long stretches of audio in
// several playing situations. Fast tanh and power curves may differ from the C library in the
// last bits; everything else must follow the same arithmetic, so the outputs stay together.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "engine/noise.h"
#include "engine/water_engine.h"
#include "reference_renderer.h"

namespace fluvia {
namespace {

constexpr double kTolerance = 1e-9;

// Drives an engine and the reference through the same parameter changes and blocks.
class Comparison {
 public:
  explicit Comparison(double sampleRate)
      : engine_(WaterEngine::Create(sampleRate)), reference_(sampleRate) {}

  void Set(int index, double value) {
    engine_->SetParameter(index, value);
    reference_.Set(index, engine_->Parameter(index));
  }

  void Render(int frames) {
    engineLeft_.assign(static_cast<std::size_t>(frames), 0.0);
    engineRight_.assign(static_cast<std::size_t>(frames), 0.0);
    refLeft_.assign(static_cast<std::size_t>(frames), 0.0);
    refRight_.assign(static_cast<std::size_t>(frames), 0.0);
    const double in[2] = {0.0, 0.0};
    const double* inputs[2] = {in, in};
    double* outputs[2] = {engineLeft_.data(), engineRight_.data()};
    // Both draw from the same point of the noise sequence.
    std::uint32_t referenceNoise = NoiseState();
    ASSERT_EQ(engine_->Render(inputs, outputs, frames), 0);
    reference_.Render(referenceNoise, refLeft_.data(), refRight_.data(), frames);
    ASSERT_EQ(NoiseState(), referenceNoise);
    for (int i = 0; i < frames; ++i) {
      const std::size_t n = static_cast<std::size_t>(i);
      maxDeviation_ = std::max(maxDeviation_, std::fabs(engineLeft_[n] - refLeft_[n]));
      maxDeviation_ = std::max(maxDeviation_, std::fabs(engineRight_[n] - refRight_[n]));
      peak_ = std::max(peak_, std::fabs(refLeft_[n]));
    }
    framesRendered_ += frames;
    ASSERT_EQ(static_cast<int>(engine_->Envelope().stage), reference_.stage)
        << "after " << framesRendered_ << " frames";
  }

  WaterEngine& engine() { return *engine_; }
  reference::ReferenceRenderer& reference() { return reference_; }
  double maxDeviation() const { return maxDeviation_; }
  double peak() const { return peak_; }

 private:
  std::unique_ptr<WaterEngine> engine_;
  reference::ReferenceRenderer reference_;
  std::vector<double> engineLeft_, engineRight_, refLeft_, refRight_;
  double maxDeviation_ = 0.0;
  double peak_ = 0.0;
  long framesRendered_ = 0;
};

void Report(const char* name, const Comparison& c) {
  std::printf("[ deviation ] %s: max |fast - reference| = %.3g (peak output %.3g)\n", name,
              c.maxDeviation(), c.peak());
  ::testing::Test::RecordProperty(name, std::to_string(c.maxDeviation()));
}

TEST(ReferenceRender, HeldNoteAtDefaultsForTenSeconds) {
  SetNoiseState(kNoiseLoadState);
  Comparison c(48000.0);
  c.Set(kVoice00_NoteGate, 1.0);
  for (int frames = 0; frames < 480000; frames += 512) c.Render(512);
  Report("held_note_defaults", c);
  EXPECT_GT(c.peak(), 0.01);  // the note actually sounds
  EXPECT_LE(c.maxDeviation(), kTolerance);
}

// Attack and release cycles with assorted fade times, sound settings and block sizes.
TEST(ReferenceRender, GateCyclesAndParameterChangesForTenSeconds) {
  SetNoiseState(12345u);
  Comparison c(48000.0);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int blockSizes[] = {1, 17, 64, 333, 512, 4096};
  const int soundParams[] = {kAmpMainVolume,       kContainerDamping,
                             kContainerSize,       kParticlesCollisions,
                             kParticlesMassSpread, kParticlesWeightVelocityRatio,
                             kSoundfieldAmt,       kSystemEnergyAmt};
  const double fades[] = {0.0, 0.1, 0.3, 0.6, 1.0};
  int rendered = 0;
  int nextGateToggle = 0;
  double gate = 0.0;
  int block = 0;
  while (rendered < 480000) {
    if (rendered >= nextGateToggle) {
      gate = 1.0 - gate;
      c.Set(kVoice00_NoteGate, gate);
      c.Set(kAmpFadeInOut, fades[random() % 5]);
      // Short and long notes: some releases are cut by the next attack, some reach idle.
      nextGateToggle = rendered + 200 + static_cast<int>(random() % 40000);
    }
    if (block % 7 == 0) {
      c.Set(soundParams[random() % 8], unit(random));
    }
    const int frames = blockSizes[random() % 6];
    c.Render(frames);
    rendered += frames;
    ++block;
  }
  Report("gate_cycles", c);
  EXPECT_GT(c.peak(), 0.01);
  EXPECT_LE(c.maxDeviation(), kTolerance);
}

// A short note, a long silence (the tail decays to exact zeros, where the renderer skips the
// silent parts of the chain) and a second note, which must start exactly as the reference's.
TEST(ReferenceRender, SilenceBetweenNotes) {
  for (const double spread : {0.0, 0.55}) {
    SCOPED_TRACE(spread);
    SetNoiseState(4242u);
    Comparison c(48000.0);
    c.Set(kSoundfieldAmt, spread);
    c.Set(kAmpFadeInOut, 0.1);
    c.Set(kVoice00_NoteGate, 1.0);
    for (int i = 0; i < 40; ++i) c.Render(480);
    c.Set(kVoice00_NoteGate, 0.0);
    for (int i = 0; i < 1000; ++i) c.Render(i % 3 == 0 ? 480 : 129);
    const double quietPeak = c.peak();
    c.Set(kVoice00_NoteGate, 1.0);
    for (int i = 0; i < 100; ++i) c.Render(480);
    Report(spread == 0.0 ? "silence_between_notes" : "silence_between_notes_spread", c);
    EXPECT_GT(c.peak(), 0.0);
    EXPECT_GT(quietPeak, 0.0);
    EXPECT_LE(c.maxDeviation(), kTolerance);
  }
}

struct RateCase {
  const char* name;
  double sampleRate;
  double collisions;  // 0.8 gives 10.4 kHz: more than one collision cycle per sample at 8 kHz
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class ReferenceRenderAtRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(ReferenceRenderAtRate, StaysWithReference) {
  const RateCase& rc = GetParam();
  SetNoiseState(99u);
  Comparison c(rc.sampleRate);
  c.Set(kParticlesCollisions, rc.collisions);
  c.Set(kSoundfieldAmt, 0.7);
  c.Set(kAmpFadeInOut, 0.2);
  c.Set(kVoice00_NoteGate, 1.0);
  const int total = std::max(2000, static_cast<int>(rc.sampleRate * 3.0));
  for (int frames = 0; frames < total; frames += 256) {
    if (frames == total / 2) c.Set(kVoice00_NoteGate, 0.0);
    c.Render(256);
  }
  Report(rc.name, c);
  EXPECT_LE(c.maxDeviation(), kTolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ReferenceRenderAtRate,
    ::testing::Values(RateCase{"rate_44100_fast_collisions", 44100.0, 1.0},
                      RateCase{"rate_96000", 96000.0, 0.25},
                      RateCase{"rate_8000_clock_steps_over_one_cycle", 8000.0, 0.8},
                      RateCase{"rate_0_frozen", 0.0, 0.25}),
    [](const ::testing::TestParamInfo<RateCase>& param) { return param.param.name; });

}  // namespace
}  // namespace fluvia
