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
  const double q =
      r + r * r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0 + r * (1.0 / 120.0))));
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

// For the mantissa interval [1 + j/128, 1 + (j+1)/128): the double r nearest to one over its
// midpoint, and -ln r (correctly rounded).
struct LogEntry {
  double reciprocal;
  double negLogReciprocal;
};
alignas(64) inline constexpr LogEntry kLogTable[128] = {
    {0x1.fe01fe01fe020p-1, 0x1.ff00aa2b10ba0p-9},
    {0x1.fa11caa01fa12p-1, 0x1.7dc475f810a69p-7},
    {0x1.f6310aca0dbb5p-1, 0x1.3cea44346a584p-6},
    {0x1.f25f644230ab5p-1, 0x1.b9fc027af919ap-6},
    {0x1.ee9c7f8458e02p-1, 0x1.1b0d98923d97fp-5},
    {0x1.eae807aba01ebp-1, 0x1.58a5bafc8e4d3p-5},
    {0x1.e741aa59750e4p-1, 0x1.95c830ec8e3f2p-5},
    {0x1.e3a9179dc1a73p-1, 0x1.d276b8adb0b56p-5},
    {0x1.e01e01e01e01ep-1, 0x1.075983598e471p-4},
    {0x1.dca01dca01dcap-1, 0x1.253f62f0a1417p-4},
    {0x1.d92f2231e7f8ap-1, 0x1.42edcbea646eep-4},
    {0x1.d5cac807572b2p-1, 0x1.60658a93750c4p-4},
    {0x1.d272ca3fc5b1ap-1, 0x1.7da766d7b12d0p-4},
    {0x1.cf26e5c44bfc6p-1, 0x1.9ab42462033aep-4},
    {0x1.cbe6d9601cbe7p-1, 0x1.b78c82bb0eda0p-4},
    {0x1.c8b265afb8a42p-1, 0x1.d4313d66cb35dp-4},
    {0x1.c5894d10d4986p-1, 0x1.f0a30c01162a4p-4},
    {0x1.c26b5392ea01cp-1, 0x1.0671512ca596fp-3},
    {0x1.bf583ee868d8bp-1, 0x1.14785846742acp-3},
    {0x1.bc4fd65883e7bp-1, 0x1.2266f190a5acdp-3},
    {0x1.b951e2b18ff23p-1, 0x1.303d718e47fd5p-3},
    {0x1.b65e2e3beee05p-1, 0x1.3dfc2b0ecc62ap-3},
    {0x1.b37484ad806cep-1, 0x1.4ba36f39a55e5p-3},
    {0x1.b094b31d922a4p-1, 0x1.59338d9982085p-3},
    {0x1.adbe87f94905ep-1, 0x1.66acd4272ad51p-3},
    {0x1.aaf1d2f87ebfdp-1, 0x1.740f8f54037a3p-3},
    {0x1.a82e65130e159p-1, 0x1.815c0a14357e9p-3},
    {0x1.a574107688a4ap-1, 0x1.8e928de886d41p-3},
    {0x1.a2c2a87c51ca0p-1, 0x1.9bb362e7dfb85p-3},
    {0x1.a01a01a01a01ap-1, 0x1.a8becfc882f19p-3},
    {0x1.9d79f176b682dp-1, 0x1.b5b519e8fb5a6p-3},
    {0x1.9ae24ea5510dap-1, 0x1.c2968558c18c2p-3},
    {0x1.9852f0d8ec0ffp-1, 0x1.cf6354e09c5ddp-3},
    {0x1.95cbb0be377aep-1, 0x1.dc1bca0abec7bp-3},
    {0x1.934c67f9b2ce6p-1, 0x1.e8c0252aa5a60p-3},
    {0x1.90d4f120190d5p-1, 0x1.f550a564b7b37p-3},
    {0x1.8e6527af1373fp-1, 0x1.00e6c45ad501dp-2},
    {0x1.8bfce8062ff3ap-1, 0x1.071b85fcd590dp-2},
    {0x1.899c0f601899cp-1, 0x1.0d46b579ab74bp-2},
    {0x1.87427bcc092b9p-1, 0x1.136870293a8b0p-2},
    {0x1.84f00c2780614p-1, 0x1.1980d2dd4236fp-2},
    {0x1.82a4a0182a4a0p-1, 0x1.1f8ff9e48a2f3p-2},
    {0x1.8060180601806p-1, 0x1.2596010df763ap-2},
    {0x1.7e225515a4f1dp-1, 0x1.2b9303ab89d25p-2},
    {0x1.7beb3922e017cp-1, 0x1.31871c9544185p-2},
    {0x1.79baa6bb6398bp-1, 0x1.3772662bfd85cp-2},
    {0x1.77908119ac60dp-1, 0x1.3d54fa5c1f710p-2},
    {0x1.756cac201756dp-1, 0x1.432ef2a04e813p-2},
    {0x1.734f0c541fe8dp-1, 0x1.49006804009d0p-2},
    {0x1.713786d9c7c09p-1, 0x1.4ec9732600269p-2},
    {0x1.6f26016f26017p-1, 0x1.548a2c3add263p-2},
    {0x1.6d1a62681c861p-1, 0x1.5a42ab0f4cfe2p-2},
    {0x1.6b1490aa31a3dp-1, 0x1.5ff3070a793d4p-2},
    {0x1.691473a88d0c0p-1, 0x1.659b57303e1f2p-2},
    {0x1.6719f3601671ap-1, 0x1.6b3bb2235943dp-2},
    {0x1.6524f853b4aa3p-1, 0x1.70d42e2789236p-2},
    {0x1.63356b88ac0dep-1, 0x1.7664e1239dbcfp-2},
    {0x1.614b36831ae94p-1, 0x1.7bede0a37afbfp-2},
    {0x1.5f66434292dfcp-1, 0x1.816f41da0d495p-2},
    {0x1.5d867c3ece2a5p-1, 0x1.86e919a330ba1p-2},
    {0x1.5babcc647fa91p-1, 0x1.8c5b7c858b48bp-2},
    {0x1.59d61f123ccaap-1, 0x1.91c67eb45a83ep-2},
    {0x1.5805601580560p-1, 0x1.972a341135159p-2},
    {0x1.56397ba7c52e2p-1, 0x1.9c86b02dc0862p-2},
    {0x1.54725e6bb82fep-1, 0x1.a1dc064d5b995p-2},
    {0x1.52aff56a8054bp-1, 0x1.a72a4966bd9e9p-2},
    {0x1.50f22e111c4c5p-1, 0x1.ac718c258b0e5p-2},
    {0x1.4f38f62dd4c9bp-1, 0x1.b1b1e0ebdfc5ap-2},
    {0x1.4d843bedc2c4cp-1, 0x1.b6eb59d3cf35cp-2},
    {0x1.4bd3edda68fe1p-1, 0x1.bc1e08b0dad0ap-2},
    {0x1.4a27fad76014ap-1, 0x1.c149ff115f027p-2},
    {0x1.4880522014880p-1, 0x1.c66f4e3ff6ff9p-2},
    {0x1.46dce34596066p-1, 0x1.cb8e0744d7acap-2},
    {0x1.453d9e2c776cap-1, 0x1.d0a63ae721e64p-2},
    {0x1.43a2730abee4dp-1, 0x1.d5b7f9ae2c684p-2},
    {0x1.420b5265e5951p-1, 0x1.dac353e2c5955p-2},
    {0x1.40782d10e6566p-1, 0x1.dfc859906d5b5p-2},
    {0x1.3ee8f42a5af07p-1, 0x1.e4c71a8687704p-2},
    {0x1.3d5d991aa75c6p-1, 0x1.e9bfa659861f5p-2},
    {0x1.3bd60d9232955p-1, 0x1.eeb20c640ddf3p-2},
    {0x1.3a524387ac822p-1, 0x1.f39e5bc811e5dp-2},
    {0x1.38d22d366088ep-1, 0x1.f884a36fe9ec1p-2},
    {0x1.3755bd1c945eep-1, 0x1.fd64f20f61571p-2},
    {0x1.35dce5f9f2af8p-1, 0x1.011fab125ff8ap-1},
    {0x1.34679ace01346p-1, 0x1.0389eefce633cp-1},
    {0x1.32f5ced6a1dfap-1, 0x1.05f14bd26459cp-1},
    {0x1.3187758e9ebb6p-1, 0x1.0855c884b450ep-1},
    {0x1.301c82ac40260p-1, 0x1.0ab76bece14d2p-1},
    {0x1.2eb4ea1fed14bp-1, 0x1.0d163ccb9d6b8p-1},
    {0x1.2d50a012d50a0p-1, 0x1.0f7241c9b497dp-1},
    {0x1.2bef98e5a3711p-1, 0x1.11cb81787ccf8p-1},
    {0x1.2a91c92f3c105p-1, 0x1.1422025243d45p-1},
    {0x1.293725bb804a5p-1, 0x1.1675cababa60ep-1},
    {0x1.27dfa38a1ce4dp-1, 0x1.18c6e0ff5cf07p-1},
    {0x1.268b37cd60127p-1, 0x1.1b154b57da29ep-1},
    {0x1.2539d7e9177b2p-1, 0x1.1d610fe677003p-1},
    {0x1.23eb79717605bp-1, 0x1.1faa34b87094cp-1},
    {0x1.22a0122a0122ap-1, 0x1.21f0bfc65beecp-1},
    {0x1.21579804855e6p-1, 0x1.2434b6f483934p-1},
    {0x1.2012012012012p-1, 0x1.26762013430e0p-1},
    {0x1.1ecf43c7fb84cp-1, 0x1.28b500df60783p-1},
    {0x1.1d8f5672e4abdp-1, 0x1.2af15f02640acp-1},
    {0x1.1c522fc1ce059p-1, 0x1.2d2b4012edc9dp-1},
    {0x1.1b17c67f2bae3p-1, 0x1.2f62a99509546p-1},
    {0x1.19e0119e0119ep-1, 0x1.3197a0fa7fe6ap-1},
    {0x1.18ab083902bdbp-1, 0x1.33ca2ba328994p-1},
    {0x1.1778a191bd684p-1, 0x1.35fa4edd36ea0p-1},
    {0x1.1648d50fc3201p-1, 0x1.38280fe58797fp-1},
    {0x1.151b9a3fdd5c9p-1, 0x1.3a5373e7ebdf9p-1},
    {0x1.13f0e8d344724p-1, 0x1.3c7c7fff73206p-1},
    {0x1.12c8b89edc0acp-1, 0x1.3ea33936b2f5bp-1},
    {0x1.11a3019a74826p-1, 0x1.40c7a4880dceap-1},
    {0x1.107fbbe011080p-1, 0x1.42e9c6ddf80bfp-1},
    {0x1.0f5edfab325a2p-1, 0x1.4509a5133bb0ap-1},
    {0x1.0e40655826011p-1, 0x1.472743f33aaadp-1},
    {0x1.0d24456359e3ap-1, 0x1.4942a83a2fc07p-1},
    {0x1.0c0a7868b4171p-1, 0x1.4b5bd6956e273p-1},
    {0x1.0af2f722eecb5p-1, 0x1.4d72d3a39fd01p-1},
    {0x1.09ddba6af8360p-1, 0x1.4f87a3f5026e9p-1},
    {0x1.08cabb37565e2p-1, 0x1.519a4c0ba3446p-1},
    {0x1.07b9f29b8eae2p-1, 0x1.53aad05b99b7cp-1},
    {0x1.06ab59c7912fbp-1, 0x1.55b9354b40bcep-1},
    {0x1.059eea0727586p-1, 0x1.57c57f336f191p-1},
    {0x1.04949cc1664c5p-1, 0x1.59cfb25fae87fp-1},
    {0x1.038c6b78247fcp-1, 0x1.5bd7d30e71c73p-1},
    {0x1.02864fc7729e9p-1, 0x1.5ddde57149923p-1},
    {0x1.0182436517a37p-1, 0x1.5fe1edad18919p-1},
    {0x1.0080402010080p-1, 0x1.61e3efda46467p-1},
};

}  // namespace detail

// x^2.001 = x^2 * e^(c ln x), followed by the overflow flush, where c = 2.001 - 2 in double
// arithmetic (exact), since the double nearest 2.001 is what the curve is defined with; using
// the double 0.001 instead would be off by up to 7e-14 for extreme x. Because c is small the
// logarithm needs little absolute accuracy: x = m 2^e, m in [1, 2); ln m = -ln r + ln(1 + u)
// with r from the table and u = m r - 1, |u| < 0.0039, by five series terms (error below
// 1e-15, so below 1e-18 relative in the result, and 1 maps to exactly 1). No division, so it
// pipelines well.
inline double FastPow2001(double x) {
  using namespace detail;
  const std::uint64_t b = Bits(x);
  const double e = static_cast<double>(static_cast<int>((b >> 52) & 0x7FF) - 1023);
  const double m = FromBits((b & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
  const LogEntry& entry = kLogTable[(b >> 45) & 127];
  const double u = m * entry.reciprocal - 1.0;
  const double log1pU = u - u * u * (0.5 - u * (1.0 / 3.0 - u * (0.25 - u * 0.2)));
  const double lnX = (e * 0x1.62e42fefa39efp-1 + entry.negLogReciprocal) + log1pU;
  constexpr double kExcessOverSquare = 2.001 - 2.0;
  const double result = x * x * FastExp(kExcessOverSquare * lnX);
  // x <= 0 and NaN: the library power is 0 for 0 and NaN otherwise, which flushes to 0.
  return KeepIf(Greater(x, 0.0), FlushOverflow(result));
}

// --- Two lanes at a time ---------------------------------------------------------------------
// The same functions on pairs of independent values, for loops whose iterations do not depend
// on each other (saturation of a chunk, the attack and release curves). Every lane performs
// exactly the scalar function's operations, so results are bit-identical to it.
#ifdef FLUVIA_HAVE_SSE2
namespace detail {

inline __m128d Splat(double x) { return _mm_set1_pd(x); }

inline __m128i Splat64(std::uint64_t x) {
  return _mm_set1_epi64x(static_cast<long long>(x));
}

// Lane values of a 64-bit integer vector, for table lookups (SSE2 has no gather).
inline std::uint64_t Lane0(__m128i v) { return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)); }
inline std::uint64_t Lane1(__m128i v) {
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}

}  // namespace detail

inline __m128d FastExp2(__m128d u) {
  using namespace detail;
  const __m128d shifted = _mm_add_pd(_mm_mul_pd(u, Splat(kSixtyFourOverLn2)),
                                     Splat(kRoundToInteger));
  const __m128i k = _mm_castpd_si128(shifted);
  const __m128d kd = _mm_sub_pd(shifted, Splat(kRoundToInteger));
  const __m128d r = _mm_sub_pd(_mm_sub_pd(u, _mm_mul_pd(kd, Splat(kLn2Over64High))),
                               _mm_mul_pd(kd, Splat(kLn2Over64Low)));
  const __m128d poly = _mm_add_pd(
      Splat(0.5),
      _mm_mul_pd(r, _mm_add_pd(Splat(1.0 / 6.0),
                               _mm_mul_pd(r, _mm_add_pd(Splat(1.0 / 24.0),
                                                        _mm_mul_pd(r, Splat(1.0 / 120.0)))))));
  const __m128d q = _mm_add_pd(r, _mm_mul_pd(_mm_mul_pd(r, r), poly));
  const __m128i exponent = _mm_slli_epi64(_mm_and_si128(k, Splat64(~std::uint64_t{63})), 46);
  const __m128i j = _mm_and_si128(k, Splat64(63));
  const __m128d table =
      _mm_loadh_pd(_mm_load_sd(&kExp2Table[Lane0(j)]), &kExp2Table[Lane1(j)]);
  const __m128d t = _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(table), exponent));
  return _mm_add_pd(t, _mm_mul_pd(t, q));
}

inline __m128d FastTanh2(__m128d z) {
  // min and max return their second operand for NaN, like the scalar Min and Max.
  const __m128d held = _mm_max_pd(_mm_min_pd(z, detail::Splat(20.0)), detail::Splat(-20.0));
  const __m128d e = FastExp2(_mm_mul_pd(detail::Splat(2.0), held));
  return _mm_div_pd(_mm_sub_pd(e, detail::Splat(1.0)), _mm_add_pd(e, detail::Splat(1.0)));
}

inline __m128d FastPow2001x2(__m128d x) {
  using namespace detail;
  const __m128i b = _mm_castpd_si128(x);
  // Exponent fields: the high 32 bits of both lanes, shifted down and widened to doubles.
  const __m128i high = _mm_shuffle_epi32(b, _MM_SHUFFLE(3, 1, 3, 1));
  const __m128i field = _mm_and_si128(_mm_srli_epi32(high, 20), _mm_set1_epi32(0x7FF));
  const __m128d e = _mm_cvtepi32_pd(_mm_sub_epi32(field, _mm_set1_epi32(1023)));
  const __m128d m = _mm_castsi128_pd(_mm_or_si128(
      _mm_and_si128(b, Splat64(0x000FFFFFFFFFFFFFull)), Splat64(0x3FF0000000000000ull)));
  const __m128i j = _mm_and_si128(_mm_srli_epi64(b, 45), Splat64(127));
  const __m128d e0 = _mm_load_pd(&kLogTable[Lane0(j)].reciprocal);
  const __m128d e1 = _mm_load_pd(&kLogTable[Lane1(j)].reciprocal);
  const __m128d reciprocal = _mm_unpacklo_pd(e0, e1);
  const __m128d negLog = _mm_unpackhi_pd(e0, e1);
  const __m128d u = _mm_sub_pd(_mm_mul_pd(m, reciprocal), Splat(1.0));
  const __m128d inner = _mm_sub_pd(
      Splat(0.5),
      _mm_mul_pd(u, _mm_sub_pd(Splat(1.0 / 3.0),
                               _mm_mul_pd(u, _mm_sub_pd(Splat(0.25),
                                                        _mm_mul_pd(u, Splat(0.2)))))));
  const __m128d log1pU = _mm_sub_pd(u, _mm_mul_pd(_mm_mul_pd(u, u), inner));
  const __m128d lnX = _mm_add_pd(
      _mm_add_pd(_mm_mul_pd(e, Splat(0x1.62e42fefa39efp-1)), negLog), log1pU);
  constexpr double kExcessOverSquare = 2.001 - 2.0;
  const __m128d result =
      _mm_mul_pd(_mm_mul_pd(x, x), FastExp2(_mm_mul_pd(Splat(kExcessOverSquare), lnX)));
  const __m128d magnitude =
      _mm_and_pd(result, _mm_castsi128_pd(Splat64(0x7FFFFFFFFFFFFFFFull)));
  const __m128d keep = _mm_and_pd(_mm_cmpgt_pd(x, _mm_setzero_pd()),
                                  _mm_cmplt_pd(magnitude, Splat(0x1p1023)));
  return _mm_and_pd(keep, result);
}
#endif

}  // namespace fastmath
}  // namespace fluvia
