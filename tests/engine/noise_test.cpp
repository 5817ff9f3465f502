#include "engine/noise.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace fluvia {
namespace {

std::uint32_t Step(std::uint32_t s) { return s * 1664525u + 1013904223u; }

TEST(Noise, FirstDrawsFromTheLoadState) {
  SetNoiseState(kNoiseLoadState);
  EXPECT_EQ(DrawNoise(), -0.4726884365081787);
  EXPECT_EQ(NoiseState(), 1017233273u);
  EXPECT_EQ(DrawNoise(), 0.013825416564941406);
  EXPECT_EQ(NoiseState(), 1975575172u);
  EXPECT_EQ(DrawNoise(), 0.48511195182800293);
  EXPECT_EQ(NoiseState(), 811535379u);
}

// The float recipe: mantissa bits into a float in [1, 2), then 2f - 3 in float arithmetic.
double FloatRecipe(std::uint32_t state) {
  const std::uint32_t bits = 0x3F800000u | (state & 0x007FFFFFu);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return static_cast<double>(f * 2.0f - 3.0f);
}

TEST(Noise, SampleEqualsTheFloatRecipeForEveryMantissa) {
  for (std::uint32_t m = 0; m < 0x00800000u; ++m) {
    const std::uint32_t state = m | ((m * 2654435761u) & 0xFF800000u);  // vary the high bits
    if (NoiseSample(state) != FloatRecipe(state)) {
      FAIL() << "state " << state;
    }
  }
}

TEST(Noise, SamplesCoverMinusOneToOne) {
  EXPECT_EQ(NoiseSample(0u), -1.0);
  EXPECT_EQ(NoiseSample(0x007FFFFFu), 1.0 - 0x1p-22);
  EXPECT_EQ(NoiseSample(0xFF800000u), -1.0);  // only the low 23 bits matter
  EXPECT_EQ(NoiseSample(0x00400000u), 0.0);
}

// A reservation must advance the shared state exactly as that many single draws would, and the
// reserved run must be the one those draws would have produced.
TEST(Noise, ReservationEqualsConsecutiveDraws) {
  for (const std::uint32_t count : {0u, 1u, 2u, 3u, 64u, 1000u, 65537u, 4000000u}) {
    SCOPED_TRACE(count);
    const std::uint32_t start = 0xDEADBEEFu;
    std::uint32_t expected = start;
    for (std::uint32_t i = 0; i < count; ++i) expected = Step(expected);
    SetNoiseState(start);
    EXPECT_EQ(ReserveNoiseDraws(count), start);
    EXPECT_EQ(NoiseState(), expected);
    const NoiseJump jump = NoiseJumpBy(count);
    EXPECT_EQ(start * jump.multiplier + jump.increment, expected);
  }
}

}  // namespace
}  // namespace fluvia
