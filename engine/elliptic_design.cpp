#include "engine/elliptic_design.h"

#include <algorithm>
#include <cmath>

namespace fluvia {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr Complex kJ{0.0, 1.0};

// The arithmetic-geometric mean, which gives the complete elliptic integrals quickly and
// accurately for any modulus.
double Agm(double a, double b) {
  for (int i = 0; i < 64 && std::fabs(a - b) > 1e-16 * a; ++i) {
    const double mean = 0.5 * (a + b);
    b = std::sqrt(a * b);
    a = mean;
  }
  return a;
}

double Complement(double k) { return std::sqrt((1.0 - k) * (1.0 + k)); }

// K(k) and K'(k) = K(sqrt(1 - k^2)), the complete elliptic integrals of the first kind.
double QuarterPeriod(double k) { return kPi / (2.0 * Agm(1.0, Complement(k))); }
double ComplementaryQuarterPeriod(double k) { return kPi / (2.0 * Agm(1.0, k)); }

// Descending Landen sequence of a modulus: each term is much smaller than the one before, so
// the elliptic functions reduce to trigonometric ones after a few steps.
struct LandenSequence {
  explicit LandenSequence(double k) {
    while (k > 1e-16 && count < kMaxTerms) {
      const double next = k / (1.0 + Complement(k));
      k = next * next;
      moduli[count++] = k;
    }
  }
  static constexpr int kMaxTerms = 16;
  int count = 0;
  double moduli[kMaxTerms] = {};
};

// sn(u K, k) and cd(u K, k): the argument u is measured in quarter periods K and may be
// complex. Start from the trigonometric limit and climb back up the Landen sequence.
Complex ClimbLanden(const LandenSequence& landen, Complex w) {
  for (int i = landen.count - 1; i >= 0; --i) {
    const double m = landen.moduli[i];
    w = (1.0 + m) * w / (1.0 + m * w * w);
  }
  return w;
}

Complex Sn(Complex u, double k) { return ClimbLanden(LandenSequence(k), std::sin(u * (kPi / 2.0))); }
Complex Cd(Complex u, double k) { return ClimbLanden(LandenSequence(k), std::cos(u * (kPi / 2.0))); }

// u (in quarter periods) with sn(u K, k) = w: descend the Landen sequence, then the arcsine.
Complex InverseSn(Complex w, double k) {
  const LandenSequence landen(k);
  double previous = k;
  for (int i = 0; i < landen.count; ++i) {
    const double m = landen.moduli[i];
    w = 2.0 * w / ((1.0 + m) * (1.0 + std::sqrt(1.0 - previous * previous * w * w)));
    previous = m;
  }
  return std::asin(w) * (2.0 / kPi);
}

// The degree equation: the discrimination modulus k1 = eps_pass / eps_stop that an elliptic
// filter of this order reaches with selectivity k = (passband edge) / (stopband edge).
double DiscriminationModulus(int order, double k) {
  double k1 = std::pow(k, order);
  for (int i = 1; i <= order / 2; ++i) {
    const double s = Sn(Complex((2.0 * i - 1.0) / order, 0.0), k).real();
    k1 *= s * s * s * s;
  }
  return k1;
}

// The normalised analogue poles (passband edge at 1) of an elliptic lowpass: `pairs` poles
// of the upper half plane (their conjugates are implied) and, for an odd order, the real one.
struct AnaloguePoles {
  static constexpr int kMaxPairs = std::max(EllipticLowpass::kMaxOrder / 2,
                                            HalfbandAllpass::kMaxCoefficients);
  Complex pairs[kMaxPairs];
  double real = 0.0;
};

AnaloguePoles PolesOf(int order, double k, double k1, double passEpsilon) {
  AnaloguePoles poles;
  const double v0 = (-kJ * InverseSn(kJ / passEpsilon, k1)).real() / order;
  for (int i = 1; i <= order / 2; ++i) {
    const double u = (2.0 * i - 1.0) / order;
    poles.pairs[i - 1] = kJ * Cd(Complex(u, -v0), k);
  }
  if (order % 2 == 1) poles.real = (kJ * Sn(Complex(0.0, v0), k)).real();
  return poles;
}

// The bilinear transform s = (1 - z^-1) / (1 + z^-1) of a prewarped analogue pole.
Complex ToDigital(Complex p) { return (1.0 + p) / (1.0 - p); }

// A halfband filter's stopband edge mirrors its passband edge about a quarter of the rate, so
// in the prewarped domain the selectivity is the square of the passband edge, and power
// complementarity fixes eps_pass^2 = k1 (and eps_stop = 1 / eps_pass).
double HalfbandSelectivity(double passEdge) {
  const double wp = std::tan(kPi * passEdge);
  return wp * wp;
}

double HalfbandStopbandDb(int order, double passEdge) {
  return 10.0 * std::log10(1.0 + 1.0 / DiscriminationModulus(order, HalfbandSelectivity(passEdge)));
}

}  // namespace

EllipticLowpass DesignEllipticLowpass(double passEdge, double stopEdge, double rippleDb,
                                      double stopbandDb) {
  const double wp = std::tan(kPi * passEdge);
  const double ws = std::tan(kPi * stopEdge);
  const double k = wp / ws;
  const double passEpsilon = std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0);
  const double stopEpsilon = std::sqrt(std::pow(10.0, stopbandDb / 10.0) - 1.0);
  const double wantedK1 = passEpsilon / stopEpsilon;
  const double exactOrder = QuarterPeriod(k) * ComplementaryQuarterPeriod(wantedK1) /
                            (ComplementaryQuarterPeriod(k) * QuarterPeriod(wantedK1));
  // A hair below an integer is that integer: the ratio carries rounding noise.
  const int order = std::clamp(static_cast<int>(std::ceil(exactOrder - 1e-9)), 1,
                               EllipticLowpass::kMaxOrder);

  EllipticLowpass filter;
  filter.order = order;
  const double k1 = DiscriminationModulus(order, k);
  filter.stopbandDb = 10.0 * std::log10(1.0 + (passEpsilon / k1) * (passEpsilon / k1));

  const AnaloguePoles poles = PolesOf(order, k, k1, passEpsilon);
  double dcGain = 1.0;
  for (int i = 1; i <= order / 2; ++i) {
    const double zeta = Cd(Complex((2.0 * i - 1.0) / order, 0.0), k).real();
    const double zeroFrequency = wp / (k * zeta);
    LowpassSection& section = filter.sections[size_t(filter.sectionCount++)];
    section.c = -2.0 * std::cos(2.0 * std::atan(zeroFrequency));
    const Complex z = ToDigital(wp * poles.pairs[i - 1]);
    section.a1 = -2.0 * z.real();
    section.a2 = std::norm(z);
    dcGain *= (2.0 + section.c) / (1.0 + section.a1 + section.a2);
  }
  if (order % 2 == 1) {
    LowpassSection& section = filter.sections[size_t(filter.sectionCount++)];
    section.firstOrder = true;
    section.a1 = -ToDigital(Complex(wp * poles.real, 0.0)).real();
    dcGain *= 2.0 / (1.0 + section.a1);
  }
  const double dcTarget = order % 2 == 1 ? 1.0 : 1.0 / std::sqrt(1.0 + passEpsilon * passEpsilon);
  filter.gain = dcTarget / dcGain;
  return filter;
}

HalfbandAllpass DesignHalfband(double passEdge, double stopbandDb) {
  int count = 1;
  while (count < HalfbandAllpass::kMaxCoefficients &&
         HalfbandStopbandDb(2 * count + 1, passEdge) < stopbandDb) {
    ++count;
  }
  return DesignHalfbandOfCount(count, passEdge);
}

HalfbandAllpass DesignHalfbandOfCount(int count, double passEdge) {
  HalfbandAllpass filter;
  filter.count = std::clamp(count, 1, HalfbandAllpass::kMaxCoefficients);
  const int order = 2 * filter.count + 1;
  const double wp = std::tan(kPi * passEdge);
  const double k = HalfbandSelectivity(passEdge);
  const double k1 = DiscriminationModulus(order, k);
  filter.stopbandDb = 10.0 * std::log10(1.0 + 1.0 / k1);
  // The poles of a halfband elliptic filter lie on the imaginary axis of the z plane, in pairs
  // +-j sqrt(a): each pair is one section (a + z^-2) / (1 + a z^-2); the real pole is at 0.
  const AnaloguePoles poles = PolesOf(order, k, k1, std::sqrt(k1));
  for (int i = 0; i < filter.count; ++i) {
    filter.coefficients[size_t(i)] = std::norm(ToDigital(wp * poles.pairs[i]));
  }
  std::sort(filter.coefficients.begin(), filter.coefficients.begin() + filter.count);
  return filter;
}

std::complex<double> Response(const EllipticLowpass& filter, double f) {
  const Complex zInv = std::polar(1.0, -2.0 * kPi * f);
  Complex h = filter.gain;
  for (int i = 0; i < filter.sectionCount; ++i) {
    const LowpassSection& s = filter.sections[size_t(i)];
    if (s.firstOrder) {
      h *= (1.0 + zInv) / (1.0 + s.a1 * zInv);
    } else {
      h *= (1.0 + s.c * zInv + zInv * zInv) / (1.0 + s.a1 * zInv + s.a2 * zInv * zInv);
    }
  }
  return h;
}

std::complex<double> Response(const HalfbandAllpass& filter, double f) {
  const Complex zInv = std::polar(1.0, -2.0 * kPi * f);
  const Complex z2Inv = zInv * zInv;
  Complex branch[2] = {1.0, 1.0};
  for (int i = 0; i < filter.count; ++i) {
    const double a = filter.coefficients[size_t(i)];
    branch[i % 2] *= (a + z2Inv) / (1.0 + a * z2Inv);
  }
  return 0.5 * (branch[0] + zInv * branch[1]);
}

}  // namespace fluvia
