// Branch-free helpers and the fast transcendental functions of the per-sample loop.
//
// Accuracy (checked against the C library in the engine tests):
// - FastExp: relative error below 5e-16 for u in [-708, 708].
// - FastTanh: absolute error below 5e-16 everywhere (relative accuracy is lost only for
//   |z| < ~1e-3, where the absolute error stays at a few units of 2^-53).
// - FastPow2001: relative error below 1e-15 for x in (0, 2^511]; zero, negative, not-a-number,
//   infinite and overflowing results give 0 exactly, like the flushed library power.
// All of them are straight-line code, so the compiler can schedule them across samples.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define FLUVIA_HAVE_SSE2 1
#endif

namespace fluvia {
namespace fastmath {

inline std::uint64_t Bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

inline double FromBits(std::uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

inline double Abs(double x) { return FromBits(Bits(x) & 0x7FFFFFFFFFFFFFFFull); }

// Compilers turn `a < b ? a : b` into a single min instruction where the IEEE rules allow it;
// with a NaN in `a` the result is `b`.
inline double Min(double a, double b) { return a < b ? a : b; }
inline double Max(double a, double b) { return a > b ? a : b; }

// --- Branch-free selection ------------------------------------------------------------------
// A comparison result as an all-ones / all-zeros bit mask, so that choosing between two values
// is bit arithmetic instead of a jump the branch predictor may miss (the collision clock and the
// hold decision flip every few samples).
#ifdef FLUVIA_HAVE_SSE2
struct Mask {
  __m128d bits;
};
inline __m128d Lane(double x) { return _mm_set_sd(x); }
inline Mask Less(double a, double b) { return {_mm_cmplt_sd(Lane(a), Lane(b))}; }
inline Mask LessEq(double a, double b) { return {_mm_cmple_sd(Lane(a), Lane(b))}; }
inline Mask Greater(double a, double b) { return {_mm_cmpgt_sd(Lane(a), Lane(b))}; }
inline Mask GreaterEq(double a, double b) { return {_mm_cmpge_sd(Lane(a), Lane(b))}; }
inline Mask operator&(Mask a, Mask b) { return {_mm_and_pd(a.bits, b.bits)}; }
inline double Select(Mask m, double ifTrue, double ifFalse) {
  return _mm_cvtsd_f64(
      _mm_or_pd(_mm_and_pd(m.bits, Lane(ifTrue)), _mm_andnot_pd(m.bits, Lane(ifFalse))));
}
inline double KeepIf(Mask m, double x) { return _mm_cvtsd_f64(_mm_and_pd(m.bits, Lane(x))); }
inline double ZeroIf(Mask m, double x) { return _mm_cvtsd_f64(_mm_andnot_pd(m.bits, Lane(x))); }
#else
struct Mask {
  bool value;
};
inline Mask Less(double a, double b) { return {a < b}; }
inline Mask LessEq(double a, double b) { return {a <= b}; }
inline Mask Greater(double a, double b) { return {a > b}; }
inline Mask GreaterEq(double a, double b) { return {a >= b}; }
inline Mask operator&(Mask a, Mask b) { return {a.value && b.value}; }
inline double Select(Mask m, double ifTrue, double ifFalse) { return m.value ? ifTrue : ifFalse; }
inline double KeepIf(Mask m, double x) { return m.value ? x : 0.0; }
inline double ZeroIf(Mask m, double x) { return m.value ? 0.0 : x; }
#endif

// --- Numeric hygiene --------------------------------------------------------------------------
// Exponent field 0 or 1 (denormal, or within a factor of two of it) and non-zero becomes 0, so
// decaying filter states never reach the slow denormal range. NaN passes unchanged.
inline double FlushDenormal(double v) { return ZeroIf(Less(Abs(v), 0x1p-1021), v); }

// Exponent field 0x7FE or 0x7FF (magnitude at least 2^1023, infinite or NaN) becomes 0.
inline double FlushOverflow(double v) { return KeepIf(Less(Abs(v), 0x1p1023), v); }

// --- exp ----------------------------------------------------------------------------------------
namespace detail {

// 2^(j/64), each correctly rounded.
alignas(64) inline constexpr double kExp2Table[64] = {
    0x1.0000000000000p+0, 0x1.02c9a3e778061p+0, 0x1.059b0d3158574p+0, 0x1.0874518759bc8p+0,
    0x1.0b5586cf9890fp+0, 0x1.0e3ec32d3d1a2p+0, 0x1.11301d0125b51p+0, 0x1.1429aaea92de0p+0,
    0x1.172b83c7d517bp+0, 0x1.1a35beb6fcb75p+0, 0x1.1d4873168b9aap+0, 0x1.2063b88628cd6p+0,
    0x1.2387a6e756238p+0, 0x1.26b4565e27cddp+0, 0x1.29e9df51fdee1p+0, 0x1.2d285a6e4030bp+0,
    0x1.306fe0a31b715p+0, 0x1.33c08b26416ffp+0, 0x1.371a7373aa9cbp+0, 0x1.3a7db34e59ff7p+0,
    0x1.3dea64c123422p+0, 0x1.4160a21f72e2ap+0, 0x1.44e086061892dp+0, 0x1.486a2b5c13cd0p+0,
    0x1.4bfdad5362a27p+0, 0x1.4f9b2769d2ca7p+0, 0x1.5342b569d4f82p+0, 0x1.56f4736b527dap+0,
    0x1.5ab07dd485429p+0, 0x1.5e76f15ad2148p+0, 0x1.6247eb03a5585p+0, 0x1.6623882552225p+0,
    0x1.6a09e667f3bcdp+0, 0x1.6dfb23c651a2fp+0, 0x1.71f75e8ec5f74p+0, 0x1.75feb564267c9p+0,
    0x1.7a11473eb0187p+0, 0x1.7e2f336cf4e62p+0, 0x1.82589994cce13p+0, 0x1.868d99b4492edp+0,
    0x1.8ace5422aa0dbp+0, 0x1.8f1ae99157736p+0, 0x1.93737b0cdc5e5p+0, 0x1.97d829fde4e50p+0,
    0x1.9c49182a3f090p+0, 0x1.a0c667b5de565p+0, 0x1.a5503b23e255dp+0, 0x1.a9e6b5579fdbfp+0,
    0x1.ae89f995ad3adp+0, 0x1.b33a2b84f15fbp+0, 0x1.b7f76f2fb5e47p+0, 0x1.bcc1e904bc1d2p+0,
    0x1.c199bdd85529cp+0, 0x1.c67f12e57d14bp+0, 0x1.cb720dcef9069p+0, 0x1.d072d4a07897cp+0,
    0x1.d5818dcfba487p+0, 0x1.da9e603db3285p+0, 0x1.dfc97337b9b5fp+0, 0x1.e502ee78b3ff6p+0,
    0x1.ea4afa2a490dap+0, 0x1.efa1bee615a27p+0, 0x1.f50765b6e4540p+0, 0x1.fa7c1819e90d8p+0,
};

constexpr double kSixtyFourOverLn2 = 0x1.71547652b82fep+6;
// ln2/64 split so that k * kLn2Over64High is exact for the |k| < 2^17 that occur here.
constexpr double kLn2Over64High = 0x1.62e42fee00000p-7;
constexpr double kLn2Over64Low = 0x1.a39ef35793c76p-39;
// Adding 1.5 * 2^52 rounds a double of magnitude below 2^51 to an integer, left in the low
// mantissa bits.
constexpr double kRoundToInteger = 0x1.8p52;

}  // namespace detail

// e^u for u in [-708, 708] (the caller keeps it there). u = (64m + j) ln2/64 + r with
// |r| <= ln2/128; e^r by its degree-5 Taylor polynomial (truncation below 4e-17), 2^(j/64) from
// the table and 2^m built in the exponent field.
inline double FastExp(double u) {
  using namespace detail;
  const double shifted = u * kSixtyFourOverLn2 + kRoundToInteger;
  const std::int32_t k = static_cast<std::int32_t>(static_cast<std::uint32_t>(Bits(shifted)));
  const double kd = shifted - kRoundToInteger;
  const double r = (u - kd * kLn2Over64High) - kd * kLn2Over64Low;
  const std::int32_t j = k & 63;
  const std::int32_t m = (k - j) / 64;  // exact division: k - j is a multiple of 64
  const double q =
      r + r * r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0 + r * (1.0 / 120.0))));
  const double scale = FromBits(static_cast<std::uint64_t>(m + 1023) << 52);
  const double t = kExp2Table[j];
  return (t + t * q) * scale;
}

// tanh(z) = sign(z) (1 - e^(-2|z|)) / (1 + e^(-2|z|)). Beyond |z| = 20 the double result is 1,
// so |z| is capped there to keep the exponential in range.
inline double FastTanh(double z) {
  const double a = Min(Abs(z), 20.0);
  const double q = FastExp(-2.0 * a);
  const double t = (1.0 - q) / (1.0 + q);
  return FromBits(Bits(t) | (Bits(z) & 0x8000000000000000ull));
}

// x^2.001 = x^2 * e^(c ln x), followed by the overflow flush, where c = 2.001 - 2 in double
// arithmetic (exact), since the double nearest 2.001 is what the curve is defined with; using
// the double 0.001 instead would be off by up to 7e-14 for extreme x. Because c is small the
// logarithm needs little absolute accuracy: x = m 2^e with m in [sqrt(1/2), sqrt(2)),
// ln m = 2 atanh(s), s = (m - 1)/(m + 1), |s| <= 0.172, by its series up to s^13.
inline double FastPow2001(double x) {
  const std::uint64_t b = Bits(x);
  double e = static_cast<double>(static_cast<int>((b >> 52) & 0x7FF) - 1023);
  double m = FromBits((b & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
  const Mask high = Greater(m, 0x1.6a09e667f3bcdp+0);
  m = Select(high, m * 0.5, m);
  e = e + KeepIf(high, 1.0);
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  const double lnM =
      2.0 * s *
      (1.0 + s2 * (1.0 / 3.0 +
                   s2 * (1.0 / 5.0 +
                         s2 * (1.0 / 7.0 +
                               s2 * (1.0 / 9.0 + s2 * (1.0 / 11.0 + s2 * (1.0 / 13.0)))))));
  const double lnX = e * 0x1.62e42fefa39efp-1 + lnM;
  constexpr double kExcessOverSquare = 2.001 - 2.0;
  const double result = x * x * FastExp(kExcessOverSquare * lnX);
  // x <= 0 and NaN: the library power is 0 for 0 and NaN otherwise, which flushes to 0.
  return KeepIf(Greater(x, 0.0) & Less(Abs(result), 0x1p1023), result);
}

}  // namespace fastmath
}  // namespace fluvia
