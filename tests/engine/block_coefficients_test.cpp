#include "engine/block_coefficients.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/engine_params.h"

namespace fluvia {
namespace {

std::array<double, kEngineParamCount> Defaults() {
  std::array<double, kEngineParamCount> p{};
  for (int i = 0; i < kEngineParamCount; ++i) p[i] = EngineParamTableRow(i).defaultValue;
  return p;
}

// The parameter curves at the ends of their ranges.
TEST(BlockCoefficients, CurvesReachTheirRangeEnds) {
  struct Case {
    int param;
    double value;
    double BlockCoefficients::*field;
    double expected;
  } cases[] = {
      {kContainerSize, 0.0, &BlockCoefficients::highpassCutoff, 50.0},
      {kContainerSize, 1.0, &BlockCoefficients::highpassCutoff, 9000.0},
      {kContainerDamping, 0.0, &BlockCoefficients::highpassQuality, 1.0},
      {kContainerDamping, 1.0, &BlockCoefficients::highpassQuality, 9.0},
      {kSystemEnergyAmt, 0.0, &BlockCoefficients::noiseCutoff, 400.0},
      {kSystemEnergyAmt, 1.0, &BlockCoefficients::noiseCutoff, 3000.0},
      {kParticlesWeightVelocityRatio, 0.0, &BlockCoefficients::resonatorFeed, -0.5},
      {kParticlesWeightVelocityRatio, 1.0, &BlockCoefficients::resonatorFeed, 0.2},
      {kParticlesMassSpread, 0.0, &BlockCoefficients::massDelay, 2.0},
      {kParticlesMassSpread, 1.0, &BlockCoefficients::massDelay, 200.0},
      {kParticlesCollisions, 0.0, &BlockCoefficients::collisionRate, 300.0},
      {kParticlesCollisions, 1.0, &BlockCoefficients::collisionRate, 20000.0},
      {kParticlesCollisions, 0.5, &BlockCoefficients::collisionRate, 300.0 + 19700.0 / 8},
      {kSoundfieldAmt, 1.0, &BlockCoefficients::rightSpreadDelay, 1920.0},
      {kSoundfieldAmt, 1.0, &BlockCoefficients::leftSpreadDelay, 768.0},
      {kAmpMainVolume, 0.4, &BlockCoefficients::volume, 0.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.param << " = " << c.value);
    auto p = Defaults();
    p[static_cast<std::size_t>(c.param)] = c.value;
    const BlockCoefficients bc = ComputeBlockCoefficients(p.data(), 48000.0);
    EXPECT_DOUBLE_EQ(bc.*(c.field), c.expected);
  }
}

// The highpass blocks DC and passes the top of the band: check its response at both ends.
TEST(BlockCoefficients, HighpassResponse) {
  auto p = Defaults();
  const BlockCoefficients c = ComputeBlockCoefficients(p.data(), 48000.0);
  // H(z) = b0 (1 + z^-2) + b1 z^-1 over 1 + a1 z^-1 + a2 z^-2.
  EXPECT_NEAR(c.b0 + c.b1 + c.b0, 0.0, 1e-15);                        // z = 1
  const double nyquist = (c.b0 - c.b1 + c.b0) / (1.0 - c.a1 + c.a2);  // z = -1
  EXPECT_NEAR(nyquist, 1.0, 1e-12);
  EXPECT_EQ(c.reciprocalSampleRate, 1.0 / 48000.0);
  EXPECT_NEAR(c.noiseCoefficient, std::sin(1180.0 * 2.0 * 3.1415926535898 / 48000.0), 1e-15);
}

TEST(BlockCoefficients, ZeroRateGivesFiniteInertCoefficients) {
  auto p = Defaults();
  const BlockCoefficients c = ComputeBlockCoefficients(p.data(), 0.0);
  EXPECT_EQ(c.noiseCoefficient, 0.00001);
  EXPECT_EQ(c.lowpassCoefficient, 0.00001);
  EXPECT_EQ(c.b0, 1.0);
  EXPECT_EQ(c.b1, -2.0);
  EXPECT_EQ(c.a1, -2.0);
  EXPECT_EQ(c.a2, 1.0);
  EXPECT_EQ(c.rightSpreadDelay, 0.0);
  EXPECT_TRUE(std::isinf(c.reciprocalSampleRate));
}

}  // namespace
}  // namespace fluvia
