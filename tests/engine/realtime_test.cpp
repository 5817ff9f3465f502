// Render, SetParameter and Reset must never allocate: they run on the host's audio thread.
#include <gtest/gtest.h>

#include <vector>

#include "engine/water_engine.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

TEST(Realtime, RenderingAllocatesNothing) {
  auto engine = WaterEngine::Create(48000.0);
  std::vector<double> left(512), right(512);
  const std::vector<double> silence(512, 0.0);
  const double* inputs[2] = {silence.data(), silence.data()};
  double* outputs[2] = {left.data(), right.data()};

  test_support::AllocationCounter counter;
  // 1000 blocks through attack, sustain, release and idle, with parameter moves.
  for (int block = 0; block < 1000; ++block) {
    const int phase = block % 250;
    engine->SetParameter(kVoice00_NoteGate, phase < 120 ? 1.0 : 0.0);
    engine->SetParameter(kContainerSize, (block % 10) / 10.0);
    engine->SetParameter(kAmpFadeInOut, block < 500 ? 0.3 : 0.05);
    ASSERT_EQ(engine->Render(inputs, outputs, 64 + (block % 7) * 64), 0);
  }
  engine->Reset(44100.0);
  engine->Render(inputs, outputs, 512);
  EXPECT_EQ(counter.Count(), 0u);
}

// The counter itself must see allocations, or the test above proves nothing.
TEST(Realtime, CounterSeesAllocations) {
  test_support::AllocationCounter counter;
  auto engine = WaterEngine::Create(48000.0);
  EXPECT_GT(counter.Count(), 0u);
  EXPECT_GT(counter.Bytes(), 1000000u);
}

}  // namespace
}  // namespace fluvia
