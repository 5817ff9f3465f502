// The elliptic designs meet what they promise, checked on their frequency responses over a
// dense grid: passband ripple, stopband attenuation from the edge to the Nyquist frequency, and
// for the halfband filters power complementarity.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/elliptic_design.h"

namespace fluvia {
namespace {

double Db(std::complex<double> h) { return 20.0 * std::log10(std::abs(h)); }

struct Extremes {
  double lowest = HUGE_VAL;
  double highest = -HUGE_VAL;
};

template <class Filter>
Extremes ResponseOver(const Filter& filter, double from, double to) {
  Extremes e;
  constexpr int kPoints = 4000;
  for (int i = 0; i <= kPoints; ++i) {
    const double db = Db(Response(filter, from + (to - from) * i / kPoints));
    e.lowest = std::min(e.lowest, db);
    e.highest = std::max(e.highest, db);
  }
  return e;
}

struct LowpassCase {
  double pass, stop, rippleDb, stopbandDb;
  int expectedOrder;  // where known: the lowest order that reaches the stopband (0: unchecked)
};

TEST(EllipticDesign, LowpassesMeetTheirSpecification) {
  const LowpassCase cases[] = {
      {20000.0 / 44100.0, 21500.0 / 44100.0, 0.05, 100.0, 6},  // the upsampler's prefilters
      {20000.0 / 48000.0, 23000.0 / 48000.0, 0.05, 100.0, 6},
      {0.1, 0.15, 0.5, 60.0, 0},   // a textbook-like moderate case
      {0.2, 0.21, 0.01, 80.0, 0},  // steep
      {0.05, 0.4, 1.0, 40.0, 0},   // gentle: low order, odd or even
  };
  for (const LowpassCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pass << ".." << c.stop);
    const EllipticLowpass filter = DesignEllipticLowpass(c.pass, c.stop, c.rippleDb, c.stopbandDb);
    if (c.expectedOrder > 0) {
      EXPECT_EQ(filter.order, c.expectedOrder);
    }
    EXPECT_GE(filter.stopbandDb, c.stopbandDb);
    const Extremes pass = ResponseOver(filter, 0.0, c.pass);
    EXPECT_LE(pass.highest, 1e-9);
    EXPECT_GE(pass.lowest, -c.rippleDb - 1e-6);
    const Extremes stop = ResponseOver(filter, c.stop, 0.5 - 1e-9);
    EXPECT_LE(stop.highest, -c.stopbandDb);
    EXPECT_NEAR(stop.highest, -filter.stopbandDb, 0.1);  // the design knows what it reaches
  }
}

TEST(EllipticDesign, HalfbandsMeetTheirSpecificationAndArePowerComplementary) {
  const struct {
    double pass, stopbandDb;
    int expectedCount;
  } cases[] = {
      {21500.0 / 88200.0, 100.0, 11},  // the upsampler's first stages
      {23000.0 / 96000.0, 100.0, 10},
      {21500.0 / 176400.0, 100.0, 4},  // and a later one
      {0.2, 60.0, 0},
      {0.24, 120.0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pass);
    const HalfbandAllpass filter = DesignHalfband(c.pass, c.stopbandDb);
    if (c.expectedCount > 0) {
      EXPECT_EQ(filter.count, c.expectedCount);
    }
    EXPECT_GE(filter.stopbandDb, c.stopbandDb);
    for (int i = 0; i < filter.count; ++i) {
      EXPECT_GT(filter.coefficients[size_t(i)], 0.0);
      EXPECT_LT(filter.coefficients[size_t(i)], 1.0);
      if (i > 0) {
        EXPECT_GT(filter.coefficients[size_t(i)], filter.coefficients[size_t(i - 1)]);
      }
    }
    const Extremes stop = ResponseOver(filter, 0.5 - c.pass, 0.5);
    EXPECT_LE(stop.highest, -c.stopbandDb);
    EXPECT_NEAR(stop.highest, -filter.stopbandDb, 0.1);
    const Extremes pass = ResponseOver(filter, 0.0, c.pass);
    EXPECT_LE(pass.highest, 1e-9);
    EXPECT_GE(pass.lowest, -1e-4);
    for (double f = 0.0; f <= 0.5; f += 0.01) {
      EXPECT_NEAR(std::norm(Response(filter, f)) + std::norm(Response(filter, 0.5 - f)), 1.0, 1e-9)
          << f;
    }
    // One coefficient fewer does not reach the attenuation.
    if (filter.count > 1) {
      EXPECT_LT(DesignHalfbandOfCount(filter.count - 1, c.pass).stopbandDb, c.stopbandDb);
    }
  }
}

TEST(EllipticDesign, HalfbandCountsOutsideTheTableAreClamped) {
  EXPECT_EQ(DesignHalfbandOfCount(0, 0.2).count, 1);
  EXPECT_EQ(DesignHalfbandOfCount(99, 0.2).count, HalfbandAllpass::kMaxCoefficients);
}

}  // namespace
}  // namespace fluvia
