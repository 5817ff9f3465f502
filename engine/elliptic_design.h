// Elliptic (Cauer) filter design for the upsampler: a lowpass as a cascade of sections, and
// the halfband filter built from two chains of first-order allpass sections in z^-2, which
// interpolates by two at the cost of one multiplication per coefficient and input sample.
//
// Both are designed in the analogue domain with Jacobi elliptic functions and carried over by
// the bilinear transform, so their poles and zeros come from closed formulas, not from an
// optimiser. Edges are fractions of the sample rate the filter runs at. Nothing allocates.
#pragma once

#include <array>
#include <complex>

namespace fluvia {

// One section of an elliptic lowpass. Its zeros lie on the unit circle, so the numerator is
// 1 + c z^-1 + z^-2; a first-order section has its zero at z = -1 and numerator 1 + z^-1.
// The denominator is 1 + a1 z^-1 + a2 z^-2 (a2 = 0 for a first-order section).
struct LowpassSection {
  double c = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;
  bool firstOrder = false;
};

struct EllipticLowpass {
  static constexpr int kMaxOrder = 16;
  int order = 0;
  double gain = 1.0;  // applied once; the sections' numerators are unscaled
  int sectionCount = 0;
  std::array<LowpassSection, kMaxOrder / 2 + 1> sections{};
  double stopbandDb = 0.0;  // attenuation the design reaches from the stopband edge on
};

// The lowest order (up to kMaxOrder) with passband ripple `rippleDb` up to `passEdge` and at
// least `stopbandDb` of attenuation from `stopEdge` to the Nyquist frequency
// (0 < passEdge < stopEdge < 0.5). The response at 0 Hz is the bottom of the ripple for even
// orders and 0 dB for odd ones.
EllipticLowpass DesignEllipticLowpass(double passEdge, double stopEdge, double rippleDb,
                                      double stopbandDb);

// Halfband lowpass H(z) = (A0(z^2) + z^-1 A1(z^2)) / 2 with A0 and A1 chains of sections
// (a + z^-2) / (1 + a z^-2). As an interpolator by two, input sample m gives the output pair
// y[2m] = A0 x, y[2m+1] = A1 x, where each section works at the input rate as
// y[m] = a (x[m] - y[m-1]) + x[m-1].
struct HalfbandAllpass {
  static constexpr int kMaxCoefficients = 16;
  int count = 0;  // filter order 2 count + 1
  // Ascending; coefficients 0, 2, 4, ... form A0, coefficients 1, 3, 5, ... form A1.
  std::array<double, kMaxCoefficients> coefficients{};
  double stopbandDb = 0.0;
};

// The fewest coefficients (up to kMaxCoefficients) for a passband up to `passEdge` (a fraction
// of the output rate, below 0.25) and `stopbandDb` of attenuation from 0.5 - passEdge on. The
// passband deviation is then far below a thousandth of a decibel: the response is power
// complementary, |H(f)|^2 + |H(0.5 - f)|^2 = 1.
HalfbandAllpass DesignHalfband(double passEdge, double stopbandDb);
// The same with a given number of coefficients (1 to kMaxCoefficients); stopbandDb tells what
// they reach.
HalfbandAllpass DesignHalfbandOfCount(int count, double passEdge);

// Frequency responses at f, a fraction of the rate the filter runs at (the halfband: of its
// output rate). For checking designs.
std::complex<double> Response(const EllipticLowpass& filter, double f);
std::complex<double> Response(const HalfbandAllpass& filter, double f);

}  // namespace fluvia
