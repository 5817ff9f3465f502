#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/water_engine.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ExpectedParam {
  const char* name;
  double defaultValue, minimum, maximum;
};

// Written out independently of the engine's own table.
constexpr ExpectedParam kExpected[kEngineParamCount] = {
    {"AmpFadeInOut", 0.3, 0, 1},
    {"AmpMainVolume", 0.75, 0, 1},
    {"ContainerDamping", 0, 0, 1},
    {"ContainerSize", 0.1, 0, 1},
    {"HostBarStartPulse", 0, 0, 1},
    {"HostTempoBpm", 120, 0, 1000},
    {"HostTransportIsRunning", 0, 0, 1},
    {"MidiChannelInput", 1, 1, 1},
    {"ModStochasticAmt", 1, 0, 1},
    {"ParticlesCollisions", 0.25, 0, 1},
    {"ParticlesMassSpread", 0.5, 0, 1},
    {"ParticlesWeightVelocityRatio", 0.5, 0, 1},
    {"PresetBackward", 0, 0, 1},
    {"PresetForward", 0, 0, 1},
    {"PresetLoad", 0, 0, 1},
    {"PresetSave", 0, 0, 1},
    {"PresetSelector", 0, -1, 10000},
    {"SoundfieldAmt", 0, 0, 1},
    {"SystemEnergyAmt", 0.3, 0, 1},
    {"Voice00_NoteGate", 0, 0, 1},
    {"Voice00_NoteNumber", 64, 0, 127},
    {"Voice00_NoteRetrig", 0, 0, 1},
    {"Voice00_NoteVelocity", 64, 0, 127},
    {"VoiceModeMonoPoly", 0, 0, 0},
    {"VoiceRetrigOffOn", 1, 1, 1},
    {"zInitParams", 0, 0, 1},
};

TEST(EngineSetup, DescriptorsMatchTheParameterTable) {
  auto engine = WaterEngine::Create(44100.0);
  ASSERT_NE(engine, nullptr);
  for (int i = 0; i < kEngineParamCount; ++i) {
    SCOPED_TRACE(i);
    const EngineParamInfo* info = engine->Descriptor(i);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name, kExpected[i].name);
    EXPECT_EQ(info->defaultValue, kExpected[i].defaultValue);
    EXPECT_EQ(info->minimum, kExpected[i].minimum);
    EXPECT_EQ(info->maximum, kExpected[i].maximum);
    EXPECT_TRUE(info->unitLabel.empty());
    EXPECT_EQ(engine->Parameter(i), kExpected[i].defaultValue);
    // Saved states rely on the index order being the byte order of the names.
    if (i > 0) {
      EXPECT_LT(std::strcmp(kExpected[i - 1].name, info->name.c_str()), 0);
    }
  }
  for (const int outside : {-1, int{kEngineParamCount}, 1000}) {
    EXPECT_EQ(engine->Descriptor(outside), nullptr);
    EXPECT_EQ(engine->Parameter(outside), 0.0);
  }
}

TEST(EngineSetup, SetParameterClampsToTheEngineRange) {
  struct Case {
    int index;
    double value;
    double stored;
  } cases[] = {
      {kMidiChannelInput, 16, 1},
      {kVoiceModeMonoPoly, 1, 0},
      {kVoiceRetrigOffOn, 0, 1},
      {kHostTempoBpm, 2500, 1000},
      {kPresetSelector, -3, -1},
      {kPresetSelector, 42, 42},
      {kAmpMainVolume, 0.5, 0.5},
      {kAmpMainVolume, -0.1, 0},
      {kAmpMainVolume, kInf, 1},
      {kAmpMainVolume, -kInf, 0},
      {kVoice00_NoteNumber, 200, 127},
      // NaN would slip through both range tests; it leaves the value alone instead.
      {kAmpMainVolume, kNaN, 0.75},
      {kHostTempoBpm, kNaN, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.index << " <- " << c.value);
    auto engine = WaterEngine::Create(48000.0);
    engine->SetParameter(c.index, c.value);
    EXPECT_EQ(engine->Parameter(c.index), c.stored);
  }

  auto engine = WaterEngine::Create(48000.0);
  for (const int outside : {-1, int{kEngineParamCount}}) engine->SetParameter(outside, 0.5);
  for (int i = 0; i < kEngineParamCount; ++i) {
    EXPECT_EQ(engine->Parameter(i), kExpected[i].defaultValue) << i;
  }
}

TEST(EngineSetup, ResetRestoresDefaultsAndKeepsLineSizes) {
  auto engine = WaterEngine::Create(48000.0);
  for (int i = 0; i < kEngineParamCount; ++i) engine->SetParameter(i, 0.9);
  engine->Reset(96000.0);
  EXPECT_EQ(engine->SampleRate(), 96000.0);
  EXPECT_EQ(engine->ReciprocalSampleRate(), 1.0 / 96000.0);
  for (int i = 0; i < kEngineParamCount; ++i) {
    EXPECT_EQ(engine->Parameter(i), kExpected[i].defaultValue) << i;
  }
  // The rings were sized at creation and are never reallocated.
  for (const DelayLine* line : {&engine->ResonatorLine(), &engine->ExcitationLine()}) {
    EXPECT_EQ(line->Capacity(), 65536);
    EXPECT_EQ(line->MaxDelay(), 48000);
  }
  for (const DelayLine* line : {&engine->LeftSpreadLine(), &engine->RightSpreadLine()}) {
    EXPECT_EQ(line->Capacity(), 2048);
    EXPECT_EQ(line->MaxDelay(), 2000);
  }
}

TEST(EngineSetup, UnusableSampleRatesBecomeZero) {
  for (const double rate : {kNaN, kInf, -kInf, -48000.0}) {
    SCOPED_TRACE(rate);
    auto engine = WaterEngine::Create(rate);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->SampleRate(), 0.0);
    EXPECT_EQ(engine->ResonatorLine().Capacity(), 2);
    engine->Reset(rate);
    EXPECT_EQ(engine->SampleRate(), 0.0);
  }
}

TEST(EngineSetup, OneInstanceStaysWithinItsMemoryBudget) {
  constexpr std::size_t kBudget = 1200000;
  for (const double rate : {44100.0, 48000.0}) {
    test_support::AllocationCounter counter;
    auto engine = WaterEngine::Create(rate);
    const std::size_t heap = counter.Bytes();
    std::printf(
        "[ memory ] %.0f Hz: sizeof(WaterEngine) = %zu, with delay memory %zu, "
        "heap during Create %zu bytes\n",
        rate, sizeof(WaterEngine), engine->MemoryFootprint(), heap);
    EXPECT_EQ(engine->MemoryFootprint(), sizeof(WaterEngine) + (2 * 65536 + 2 * 2048) * 8);
    EXPECT_LE(engine->MemoryFootprint(), kBudget);
    EXPECT_LE(heap, kBudget);  // includes the descriptor texts
  }
}

TEST(EngineSetup, CreateReportsFailureInsteadOfThrowing) {
  std::unique_ptr<WaterEngine> engine;
  bool threw = false;
  {
    test_support::AllocationFailureScope failAll(0);
    try {
      engine = WaterEngine::Create(48000.0);
    } catch (...) {
      threw = true;
    }
  }
  EXPECT_FALSE(threw);
  EXPECT_EQ(engine, nullptr);
}

}  // namespace
}  // namespace fluvia
