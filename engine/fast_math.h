// Branch-free helpers and the fast transcendental functions of the per-sample loop.
//
// Accuracy (checked against the C library in the engine tests):
// - FastExp: relative error below 5e-16 for u in [-708, 708].
// - FastTanh: absolute error below 5e-16 everywhere (relative accuracy is lost only near 0,
//   where the absolute error stays at a few units of 2^-53).
// - FastPow2001: relative error below 1e-15 for x in (0, 2^511]; zero, negative, not-a-number,
//   infinite and overflowing results give 0 exactly, like the flushed library power.
// All of them are straight-line code, so the compiler can schedule them across samples.
#pragma once

#include <cmath>
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

// std::fabs stays in the floating-point registers (a single and), unlike bit casts.
inline double Abs(double x) { return std::fabs(x); }

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
// `mask` all ones selects ifTrue, all zeros ifFalse.
inline double SelectBits(std::uint64_t mask, double ifTrue, double ifFalse) {
  const __m128d m = _mm_castsi128_pd(_mm_cvtsi64_si128(static_cast<long long>(mask)));
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(m, Lane(ifTrue)), _mm_andnot_pd(m, Lane(ifFalse))));
}
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
inline double SelectBits(std::uint64_t mask, double ifTrue, double ifFalse) {
  return mask != 0 ? ifTrue : ifFalse;
}
inline double ZeroIf(Mask m, double x) { return m.value ? 0.0 : x; }
#endif

// --- Numeric hygiene --------------------------------------------------------------------------
// (Written as plain selections against 0: compilers emit and / compare / and for these.)
// Exponent field 0 or 1 (denormal, or within a factor of two of it) and non-zero becomes 0, so
// decaying filter states never reach the slow denormal range. NaN passes unchanged.
inline double FlushDenormal(double v) { return std::fabs(v) < 0x1p-1021 ? 0.0 : v; }

// Exponent field 0x7FE or 0x7FF (magnitude at least 2^1023, infinite or NaN) becomes 0.
inline double FlushOverflow(double v) { return std::fabs(v) < 0x1p1023 ? v : 0.0; }

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
// the table, and 2^m added straight into the table value's exponent field.
inline double FastExp(double u) {
  using namespace detail;
  const double shifted = u * kSixtyFourOverLn2 + kRoundToInteger;
  const std::uint64_t k = Bits(shifted);  // low bits: round(u * 64 / ln2), two's complement
  const double kd = shifted - kRoundToInteger;
  const double r = (u - kd * kLn2Over64High) - kd * kLn2Over64Low;
  const double q = r + r * r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0 + r * (1.0 / 120.0))));
  // (k >> 6) << 52, for negative k too: the table index bits are cleared and the remaining
  // multiple of 64 moved into the exponent (unsigned arithmetic wraps as intended).
  const std::uint64_t exponent = (k & ~std::uint64_t{63}) << 46;
  const double t = FromBits(Bits(kExp2Table[k & 63]) + exponent);
  return t + t * q;
}

// tanh(z) = (e^(2z) - 1) / (e^(2z) + 1). Beyond |z| = 20 the double result is +-1, so z is
// held there, which keeps the exponential in range. Near 0 the subtraction cancels, leaving an
// absolute error of a few 2^-53.
inline double FastTanh(double z) {
  const double held = Max(Min(z, 20.0), -20.0);
  const double e = FastExp(2.0 * held);
  return (e - 1.0) / (e + 1.0);
}

namespace detail {

// Tables of the power curve, see FastPow2001.
struct alignas(16) PowerEntry {
  double reciprocal;  // 1 / (1 + j/128), rounded
  double power;       // reciprocal^-c, correctly rounded
};
extern const PowerEntry kPowerMantissa[128];
extern const double kPowerExponentHigh[65];  // 2^(c * 32 (a - 32))
extern const double kPowerExponentLow[32];   // 2^(c * b)

// ln(1 + u) for 0 <= u < 1/128 by five series terms (truncation below 5e-14, which the factor
// c scales to 5e-17), grouped so that its dependency chain stays short.
inline double Log1pSmall(double u) {
  const double u2 = u * u;
  return (u - u2 * 0.5) + u2 * u * ((1.0 / 3.0 - u * 0.25) + u2 * 0.2);
}

}  // namespace detail

// x^2.001, followed by the overflow flush, as x^2 * x^c with c = 2.001 - 2 in double arithmetic
// (exact; the double nearest 2.001 is what the curve is defined with). For x = m 2^e,
// m = (1 + j/128)(1 + u):
//   x^c = 2^(c e) * (1 + j/128)^c * (1 + u)^c,
// where 2^(c e) comes from two small tables (e + 1024 = 32 a + b), (1 + j/128)^c from a third,
// and (1 + u)^c = e^w, w = c ln(1 + u) < 8e-6, is 1 + w + w^2/2 (truncation below 1e-16). Only
// multiplications and short polynomials, no division: the chain is short and pipelines well.
// x = 1 gives exactly 1.
inline double FastPow2001(double x) {
  using namespace detail;
  const std::uint64_t b = Bits(x);
  const std::uint64_t exponentIndex = ((b >> 52) & 0x7FF) + 1;  // e + 1024
  const PowerEntry& entry = kPowerMantissa[(b >> 45) & 127];
  const double m = FromBits((b & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
  const double u = m * entry.reciprocal - 1.0;
  constexpr double kExcessOverSquare = 2.001 - 2.0;
  const double w = kExcessOverSquare * Log1pSmall(u);
  const double scale =
      kPowerExponentHigh[exponentIndex >> 5] * kPowerExponentLow[exponentIndex & 31] * entry.power;
  const double result = x * x * (scale + scale * (w + w * w * 0.5));
  // x <= 0 and NaN: the library power is 0 for 0 and NaN otherwise, which flushes to 0.
  return KeepIf(Greater(x, 0.0), FlushOverflow(result));
}

// --- Two lanes at a time ---------------------------------------------------------------------
// The same functions on pairs of independent values, for loops whose iterations do not depend
// on each other (saturation of a chunk, the attack and release curves). Every lane performs
// exactly the scalar function's operations, so results are bit-identical to it.
#ifdef FLUVIA_HAVE_SSE2
namespace detail {

// The constants of the two-lane functions, as 16-byte pairs in memory. Compilers rebuild an
// in-register constant pair from its scalar each time it is needed once registers run out;
// a pair they cannot see the value of is used straight from memory instead, for free.
struct alignas(16) PairOfDoubles {
  double lane[2];
};
struct alignas(16) PairOfWords {
  std::uint64_t lane[2];
};
struct LaneConstants {
  PairOfDoubles sixtyFourOverLn2, roundToInteger, ln2Over64High, ln2Over64Low;
  PairOfDoubles half, sixth, twentyFourth, oneHundredTwentieth;
  PairOfDoubles one, two, twenty, minusTwenty;
  PairOfDoubles third, quarter, fifth, excessOverSquare, overflowLimit;
  PairOfWords tableIndexBits, mantissaBits, oneExponent, absoluteBits;
};
extern const LaneConstants kLanes;

inline __m128d Load(const PairOfDoubles& p) { return _mm_load_pd(p.lane); }
inline __m128i Load(const PairOfWords& p) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(p.lane));
}

// Lane values of a 64-bit integer vector, for table lookups (SSE2 has no gather).
inline std::uint64_t Lane0(__m128i v) { return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)); }
inline std::uint64_t Lane1(__m128i v) {
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}

}  // namespace detail

inline __m128d FastExp2(__m128d u) {
  using namespace detail;
  const LaneConstants& c = kLanes;
  const __m128d shifted =
      _mm_add_pd(_mm_mul_pd(u, Load(c.sixtyFourOverLn2)), Load(c.roundToInteger));
  const __m128i k = _mm_castpd_si128(shifted);
  const __m128d kd = _mm_sub_pd(shifted, Load(c.roundToInteger));
  const __m128d r = _mm_sub_pd(_mm_sub_pd(u, _mm_mul_pd(kd, Load(c.ln2Over64High))),
                               _mm_mul_pd(kd, Load(c.ln2Over64Low)));
  const __m128d poly = _mm_add_pd(
      Load(c.half),
      _mm_mul_pd(
          r, _mm_add_pd(Load(c.sixth),
                        _mm_mul_pd(r, _mm_add_pd(Load(c.twentyFourth),
                                                 _mm_mul_pd(r, Load(c.oneHundredTwentieth)))))));
  const __m128d q = _mm_add_pd(r, _mm_mul_pd(_mm_mul_pd(r, r), poly));
  const __m128i exponent = _mm_slli_epi64(_mm_andnot_si128(Load(c.tableIndexBits), k), 46);
  const __m128i j = _mm_and_si128(k, Load(c.tableIndexBits));
  const __m128d table = _mm_loadh_pd(_mm_load_sd(&kExp2Table[Lane0(j)]), &kExp2Table[Lane1(j)]);
  const __m128d t = _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(table), exponent));
  return _mm_add_pd(t, _mm_mul_pd(t, q));
}

inline __m128d FastTanh2(__m128d z) {
  using namespace detail;
  const LaneConstants& c = kLanes;
  // min and max return their second operand for NaN, like the scalar Min and Max.
  const __m128d held = _mm_max_pd(_mm_min_pd(z, Load(c.twenty)), Load(c.minusTwenty));
  const __m128d e = FastExp2(_mm_mul_pd(Load(c.two), held));
  return _mm_div_pd(_mm_sub_pd(e, Load(c.one)), _mm_add_pd(e, Load(c.one)));
}

inline __m128d FastPow2001x2(__m128d x) {
  using namespace detail;
  const LaneConstants& c = kLanes;
  // Table indices are formed in integer registers, one lane at a time (SSE2 has no gather).
  const __m128i bits = _mm_castpd_si128(x);
  const std::uint64_t b0 = Lane0(bits);
  const std::uint64_t b1 = Lane1(bits);
  const std::uint64_t x0 = ((b0 >> 52) & 0x7FF) + 1;
  const std::uint64_t x1 = ((b1 >> 52) & 0x7FF) + 1;
  const PowerEntry& m0 = kPowerMantissa[(b0 >> 45) & 127];
  const PowerEntry& m1 = kPowerMantissa[(b1 >> 45) & 127];
  const __m128d entry0 = _mm_load_pd(&m0.reciprocal);
  const __m128d entry1 = _mm_load_pd(&m1.reciprocal);
  const __m128d reciprocal = _mm_unpacklo_pd(entry0, entry1);
  const __m128d mantissaPower = _mm_unpackhi_pd(entry0, entry1);
  const __m128d high =
      _mm_loadh_pd(_mm_load_sd(&kPowerExponentHigh[x0 >> 5]), &kPowerExponentHigh[x1 >> 5]);
  const __m128d low =
      _mm_loadh_pd(_mm_load_sd(&kPowerExponentLow[x0 & 31]), &kPowerExponentLow[x1 & 31]);

  const __m128d m = _mm_castsi128_pd(
      _mm_or_si128(_mm_and_si128(bits, Load(c.mantissaBits)), Load(c.oneExponent)));
  const __m128d u = _mm_sub_pd(_mm_mul_pd(m, reciprocal), Load(c.one));
  const __m128d u2 = _mm_mul_pd(u, u);
  const __m128d log1pU =
      _mm_add_pd(_mm_sub_pd(u, _mm_mul_pd(u2, Load(c.half))),
                 _mm_mul_pd(_mm_mul_pd(u2, u),
                            _mm_add_pd(_mm_sub_pd(Load(c.third), _mm_mul_pd(u, Load(c.quarter))),
                                       _mm_mul_pd(u2, Load(c.fifth)))));
  const __m128d w = _mm_mul_pd(Load(c.excessOverSquare), log1pU);
  const __m128d scale = _mm_mul_pd(_mm_mul_pd(high, low), mantissaPower);
  const __m128d series = _mm_add_pd(
      scale, _mm_mul_pd(scale, _mm_add_pd(w, _mm_mul_pd(_mm_mul_pd(w, w), Load(c.half)))));
  const __m128d result = _mm_mul_pd(_mm_mul_pd(x, x), series);
  const __m128d magnitude = _mm_and_pd(result, _mm_castsi128_pd(Load(c.absoluteBits)));
  const __m128d keep =
      _mm_and_pd(_mm_cmpgt_pd(x, _mm_setzero_pd()), _mm_cmplt_pd(magnitude, Load(c.overflowLimit)));
  return _mm_and_pd(keep, result);
}
#endif

}  // namespace fastmath
}  // namespace fluvia
