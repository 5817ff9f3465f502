#include "engine/fast_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <vector>

namespace fluvia {
namespace {

using namespace fastmath;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double LibraryPow2001(double x) {
  const double p = std::pow(x, 2.001);
  return std::fabs(p) < 0x1p1023 ? p : 0.0;  // flushed as the engine's curves are
}

TEST(FastMath, ExpMatchesTheLibrary) {
  double worst = 0.0;
  for (double u = -708.0; u <= 708.0; u += 0.000713) {
    worst = std::max(worst, std::fabs(FastExp(u) / std::exp(u) - 1.0));
  }
  std::printf("[ accuracy ] FastExp max relative error %.3g\n", worst);
  EXPECT_LT(worst, 5e-16);
  EXPECT_EQ(FastExp(0.0), 1.0);
}

TEST(FastMath, TanhMatchesTheLibrary) {
  double worst = 0.0;
  for (double z = -25.0; z <= 25.0; z += 0.0000731) {
    worst = std::max(worst, std::fabs(FastTanh(z) - std::tanh(z)));
  }
  for (double z = 1e-300; z < 1e-2; z *= 1.37) {
    worst = std::max(worst, std::fabs(FastTanh(z) - std::tanh(z)));
    worst = std::max(worst, std::fabs(FastTanh(-z) - std::tanh(-z)));
  }
  std::printf("[ accuracy ] FastTanh max absolute error %.3g\n", worst);
  EXPECT_LT(worst, 5e-16);
  EXPECT_EQ(FastTanh(0.0), 0.0);
  EXPECT_EQ(FastTanh(-0.0), 0.0);
  EXPECT_EQ(FastTanh(1e6), 1.0);
  EXPECT_EQ(FastTanh(-kInf), -1.0);
}

TEST(FastMath, Pow2001MatchesTheFlushedLibraryPower) {
  double worst = 0.0;
  auto check = [&](double x) {
    const double expected = LibraryPow2001(x);
    const double got = FastPow2001(x);
    if (std::fabs(expected) < 1e-290) {
      // Results this small have lost their precision in both (denormal range).
      EXPECT_LT(std::fabs(got - expected), 1e-300) << x;
    } else {
      worst = std::max(worst, std::fabs(got / expected - 1.0));
    }
  };
  for (int k = 0; k <= 432000; ++k) check(k / 432000.0);     // the attack and release range
  for (double x = 1e-300; x < 1e300; x *= 1.0007) check(x);  // everything else
  std::printf("[ accuracy ] FastPow2001 max relative error %.3g\n", worst);
  EXPECT_LT(worst, 1e-15);
  // Values whose power is 0, NaN, infinite or at least 2^1023 give 0.
  for (const double x : {0.0, -0.0, -1e-9, -1.0, -kInf, kNaN, kInf, 1e200, 0x1p-1074}) {
    EXPECT_EQ(FastPow2001(x), 0.0) << x;
  }
  EXPECT_EQ(FastPow2001(1.0), 1.0);
}

#ifdef FLUVIA_HAVE_SSE2
// The two-lane versions must give exactly the scalar results, lane by lane.
TEST(FastMath, TwoLaneVersionsEqualTheScalarOnes) {
  auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  const double specials[] = {0.0,   -0.0,   1.0,       -1.0, 20.0,  -20.0, 25.0,
                             1e300, -1e300, 0x1p-1074, kInf, -kInf, kNaN,  1.0 / 48000.0};
  std::vector<double> values(std::begin(specials), std::end(specials));
  for (double x = -30.0; x <= 30.0; x += 0.00913) values.push_back(x);
  for (double x = 1e-300; x < 1e300; x *= 1.37) values.push_back(x);
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    const double a = values[i], b = values[i + 1];
    double lanes[2];
    _mm_storeu_pd(lanes, FastTanh2(_mm_set_pd(b, a)));
    ASSERT_TRUE(same(lanes[0], FastTanh(a)) && same(lanes[1], FastTanh(b))) << a << " " << b;
    _mm_storeu_pd(lanes, FastPow2001x2(_mm_set_pd(b, a)));
    ASSERT_TRUE(same(lanes[0], FastPow2001(a)) && same(lanes[1], FastPow2001(b))) << a << " " << b;
  }
}
#endif

TEST(FastMath, FlushesFollowTheExponentField) {
  struct Case {
    double v;
    double denormalFlushed;
    double overflowFlushed;
  } cases[] = {
      {1.0, 1.0, 1.0},
      {-0.5, -0.5, -0.5},
      {0x1p-1021, 0x1p-1021, 0x1p-1021},                        // exponent field 2: kept
      {0x1.fffffffffffffp-1022, 0.0, 0x1.fffffffffffffp-1022},  // field 1
      {0x1p-1022, 0.0, 0x1p-1022},
      {-0x1p-1074, 0.0, -0x1p-1074},  // denormal
      {0x1.fffffffffffffp1022, 0x1.fffffffffffffp1022, 0x1.fffffffffffffp1022},
      {0x1p1023, 0x1p1023, 0.0},  // field 0x7FE
      {-0x1p1023, -0x1p1023, 0.0},
      {kInf, kInf, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(FlushDenormal(c.v), c.denormalFlushed);
    EXPECT_EQ(FlushOverflow(c.v), c.overflowFlushed);
  }
  EXPECT_TRUE(std::isnan(FlushDenormal(kNaN)));
  EXPECT_EQ(FlushOverflow(kNaN), 0.0);
}

}  // namespace
}  // namespace fluvia
