// The shared noise state used from two threads at once: every draw must be a distinct member
// of the one sequence, with nothing lost or repeated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/noise.h"
#include "engine/water_engine.h"

namespace fluvia {
namespace {

std::uint32_t Step(std::uint32_t s) { return s * 1664525u + 1013904223u; }

// Each thread alternates block reservations of varying length, whose states it records, with
// single draws, which it cannot attribute to a state (the other thread moves it meanwhile).
std::vector<std::uint32_t> DrawStates(int blocks, std::uint32_t seed) {
  std::vector<std::uint32_t> states;
  std::uint32_t lengths = seed;
  for (int b = 0; b < blocks; ++b) {
    lengths = Step(lengths);
    const std::uint32_t count = 1u + (lengths >> 24) % 300u;
    std::uint32_t s = ReserveNoiseDraws(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      s = Step(s);
      states.push_back(s);
    }
    DrawNoise();
  }
  return states;
}

TEST(NoiseThreads, TwoThreadsShareOneSequenceWithoutRepeats) {
  const std::uint32_t start = 2u;
  SetNoiseState(start);
  std::vector<std::uint32_t> a, b;
  std::thread ta([&] { a = DrawStates(3000, 1u); });
  std::thread tb([&] { b = DrawStates(3000, 2u); });
  ta.join();
  tb.join();

  // The single draws are not recorded, so count how far the shared state moved instead.
  std::uint32_t walk = start;
  std::vector<std::uint32_t> sequence;
  const std::uint32_t end = NoiseState();
  while (walk != end) {
    walk = Step(walk);
    sequence.push_back(walk);
    ASSERT_LT(sequence.size(), 10000000u);
  }
  // The recorded draws plus the 6000 single draws are exactly the walked prefix of the
  // sequence, and every recorded one lies in it once.
  ASSERT_EQ(sequence.size(), a.size() + b.size() + 6000u);
  std::vector<std::uint32_t> drawn = a;
  drawn.insert(drawn.end(), b.begin(), b.end());
  std::sort(drawn.begin(), drawn.end());
  EXPECT_EQ(std::adjacent_find(drawn.begin(), drawn.end()), drawn.end()) << "a draw repeated";
  std::sort(sequence.begin(), sequence.end());
  EXPECT_TRUE(std::includes(sequence.begin(), sequence.end(), drawn.begin(), drawn.end()))
      << "a draw outside the sequence";
}

TEST(NoiseThreads, TwoEnginesRenderingConcurrentlyConsumeOneDrawPerFrame) {
  SetNoiseState(2u);
  auto renderMany = [](int blocks) {
    auto engine = WaterEngine::Create(48000.0);
    engine->SetParameter(kVoice00_NoteGate, 1.0);
    std::vector<double> left(128), right(128);
    const double in[128] = {};
    const double* inputs[2] = {in, in};
    double* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < blocks; ++b) engine->Render(inputs, outputs, 128);
  };
  std::thread ta(renderMany, 400);
  std::thread tb(renderMany, 400);
  ta.join();
  tb.join();
  const NoiseJump jump = NoiseJumpBy(2u * 400u * 128u);
  EXPECT_EQ(NoiseState(), 2u * jump.multiplier + jump.increment);
}

}  // namespace
}  // namespace fluvia
