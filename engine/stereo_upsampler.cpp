#include "engine/stereo_upsampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/fast_math.h"

#if defined(FLUVIA_HAVE_SSE2) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace fluvia {
namespace {

// A left/right pair filtered by one instruction per operation.
#ifdef FLUVIA_HAVE_SSE2
struct Pair {
  __m128d v;
};
inline Pair operator+(Pair a, Pair b) { return {_mm_add_pd(a.v, b.v)}; }
inline Pair operator-(Pair a, Pair b) { return {_mm_sub_pd(a.v, b.v)}; }
inline Pair operator*(Pair a, Pair b) { return {_mm_mul_pd(a.v, b.v)}; }
inline Pair Both(double x) { return {_mm_set1_pd(x)}; }
inline Pair Load(const double* p) { return {_mm_load_pd(p)}; }
inline void Store(double* p, Pair x) { _mm_store_pd(p, x.v); }
inline Pair LoadPlanar(const double* left, const double* right) {
  return {_mm_unpacklo_pd(_mm_load_sd(left), _mm_load_sd(right))};
}
// Two consecutive output frames into the two channel arrays.
inline void StorePlanar(double* left, double* right, Pair first, Pair second) {
  _mm_storeu_pd(left, _mm_unpacklo_pd(first.v, second.v));
  _mm_storeu_pd(right, _mm_unpackhi_pd(first.v, second.v));
}
#else
struct Pair {
  double l, r;
};
inline Pair operator+(Pair a, Pair b) { return {a.l + b.l, a.r + b.r}; }
inline Pair operator-(Pair a, Pair b) { return {a.l - b.l, a.r - b.r}; }
inline Pair operator*(Pair a, Pair b) { return {a.l * b.l, a.r * b.r}; }
inline Pair Both(double x) { return {x, x}; }
inline Pair Load(const double* p) { return {p[0], p[1]}; }
inline void Store(double* p, Pair x) { p[0] = x.l, p[1] = x.r; }
inline Pair LoadPlanar(const double* left, const double* right) { return {*left, *right}; }
inline void StorePlanar(double* left, double* right, Pair first, Pair second) {
  left[0] = first.l, left[1] = second.l;
  right[0] = first.r, right[1] = second.r;
}
#endif

// The elliptic prefilter, second-order sections in transposed direct form II with unscaled
// numerators 1 + c z^-1 + z^-2 and the gain applied once on the way in:
//   y = x + s1;  s1 = (c x + s2) - a1 y;  s2 = x - a2 y.
// Grouping c x + s2 first keeps the recursion through y to one multiply and one subtraction.
// Coefficients and states live in locals for the length of a pass.
template <int kSections>
struct PrefilterPass {
  PrefilterPass(const EllipticLowpass& filter, double (*state)[2][2]) : state_(state) {
    for (int j = 0; j < kSections; ++j) {
      const LowpassSection& section = filter.sections[size_t(j)];
      c[j] = Both(section.c);
      a1[j] = Both(section.a1);
      a2[j] = Both(section.a2);
      s1[j] = Load(state[j][0]);
      s2[j] = Load(state[j][1]);
    }
    gain = Both(filter.gain);
  }
  void Save() {
    for (int j = 0; j < kSections; ++j) {
      Store(state_[j][0], s1[j]);
      Store(state_[j][1], s2[j]);
    }
  }
  Pair Step(Pair x) {
    x = x * gain;
#pragma GCC unroll 8
    for (int j = 0; j < kSections; ++j) {
      const Pair y = x + s1[j];
      s1[j] = (c[j] * x + s2[j]) - a1[j] * y;
      s2[j] = x - a2[j] * y;
      x = y;
    }
    return x;
  }

  double (*state_)[2][2];
  Pair gain, c[kSections], a1[kSections], a2[kSections], s1[kSections], s2[kSections];
};

// A halfband interpolator stage: each input frame gives two output frames, the even one from
// the chain of coefficients 0, 2, 4, ... and the odd one from 1, 3, 5, ... A section turns its
// input u into a (u - its previous output) + its previous input. In the state array, entry 0
// is the previous input frame and entry c + 1 the previous output of coefficient c's section.
//
// Written as (a u + previous input) - a (previous output), the recursion through a section's
// own output is one multiplication and one subtraction long instead of three operations, at
// the price of one more multiplication: worth it in the short later stages, which wait on
// that recursion, not in the first, which has more sections than the processor has time for.
template <int kCount, bool kShortRecursion>
struct HalfbandPass {
  HalfbandPass(const HalfbandAllpass& filter, double (*state)[2]) : state_(state) {
    for (int j = 0; j < kCount; ++j) a[j] = Both(filter.coefficients[size_t(j)]);
    for (int j = 0; j <= kCount; ++j) s[j] = Load(state[j]);
  }
  void Save() {
    for (int j = 0; j <= kCount; ++j) Store(state_[j], s[j]);
  }
  void Step(Pair x, Pair& even, Pair& odd) {
    Pair branch[2];
#pragma GCC unroll 2
    for (int b = 0; b < 2; ++b) {
      Pair u = x;
      Pair previousIn = s[0];
#pragma GCC unroll 16
      for (int j = b; j < kCount; j += 2) {
        const Pair y = kShortRecursion ? (a[j] * u + previousIn) - a[j] * s[j + 1]
                                       : a[j] * (u - s[j + 1]) + previousIn;
        previousIn = s[j + 1];
        s[j + 1] = y;
        u = y;
      }
      branch[b] = u;
    }
    s[0] = x;
    even = branch[0];
    odd = branch[1];
  }

  double (*state_)[2];
  Pair a[kCount], s[kCount + 1];
};

// Where a stage's output frames go: the host's two channel arrays, or the interleaved buffer
// the next stage reads.
struct PlanarOut {
  double* left;
  double* right;
  void Put(int i, Pair even, Pair odd) { StorePlanar(left + 2 * i, right + 2 * i, even, odd); }
};
struct InterleavedOut {
  double* out;
  void Put(int i, Pair even, Pair odd) {
    Store(out + 4 * i, even);
    Store(out + 4 * i + 2, odd);
  }
};

// The first stage runs in one loop with the prefilter, so that the two recursions (each a few
// dependent operations per frame) overlap instead of waiting for each other.
template <int kSections, int kCount, class Out>
void RunFirstStage(const EllipticLowpass& prefilter, double (*prefilterState)[2][2],
                   const HalfbandAllpass& halfband, double (*halfbandState)[2],
                   const double* inLeft, const double* inRight, int frames, Out out) {
  PrefilterPass<kSections> pre(prefilter, prefilterState);
  HalfbandPass<kCount, false> stage(halfband, halfbandState);
  for (int i = 0; i < frames; ++i) {
    Pair even, odd;
    stage.Step(pre.Step(LoadPlanar(inLeft + i, inRight + i)), even, odd);
    out.Put(i, even, odd);
  }
  pre.Save();
  stage.Save();
}

template <int kCount, class Out>
void RunLaterStage(const HalfbandAllpass& halfband, double (*state)[2], const double* in,
                   int frames, Out out) {
  HalfbandPass<kCount, true> stage(halfband, state);
  for (int i = 0; i < frames; ++i) {
    Pair even, odd;
    stage.Step(Load(in + 2 * i), even, odd);
    out.Put(i, even, odd);
  }
  stage.Save();
}

// The same stages four lanes wide where the processor has AVX: the lanes hold [left, right] of
// the even-output chain and [left, right] of the odd-output chain, so one instruction steps a
// section of each chain. Every lane does exactly the operations of the two-lane version in the
// same order (and AVX alone has no fused multiply-add), so the results are identical bit for
// bit whichever version runs.
#if defined(FLUVIA_HAVE_SSE2) && (defined(__GNUC__) || defined(__clang__))
#define FLUVIA_HAVE_AVX_KERNELS 1
#define FLUVIA_AVX __attribute__((target("avx")))

FLUVIA_AVX inline __m256d BothHalves(__m128d x) {
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(x), x, 1);
}

template <int kCount, bool kShortRecursion>
struct WideHalfbandPass {
  static constexpr int kSteps = (kCount + 1) / 2;
  // With an odd count the odd chain is one section short: its lanes skip the last step.
  static constexpr bool kOddShort = kCount % 2 == 1;

  FLUVIA_AVX WideHalfbandPass(const HalfbandAllpass& filter, double (*state)[2]) : state_(state) {
    for (int k = 0; k < kSteps; ++k) {
      const int even = 2 * k, odd = 2 * k + 1;
      const double aEven = filter.coefficients[size_t(even)];
      const double aOdd = odd < kCount ? filter.coefficients[size_t(odd)] : 0.0;
      a[k] = _mm256_setr_pd(aEven, aEven, aOdd, aOdd);
      const __m128d sOdd = odd < kCount ? _mm_load_pd(state[odd + 1]) : _mm_setzero_pd();
      s[k] = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(state[even + 1])), sOdd, 1);
    }
    previous = BothHalves(_mm_load_pd(state[0]));
  }
  FLUVIA_AVX void Save() {
    _mm_store_pd(state_[0], _mm256_castpd256_pd128(previous));
    for (int k = 0; k < kSteps; ++k) {
      const int even = 2 * k, odd = 2 * k + 1;
      _mm_store_pd(state_[even + 1], _mm256_castpd256_pd128(s[k]));
      if (odd < kCount) _mm_store_pd(state_[odd + 1], _mm256_extractf128_pd(s[k], 1));
    }
  }
  // Returns [even frame | odd frame].
  FLUVIA_AVX __m256d Step(__m128d input) {
    const __m256d x = BothHalves(input);
    __m256d u = x;
    __m256d previousIn = previous;
#pragma GCC unroll 16
    for (int k = 0; k < kSteps; ++k) {
      __m256d y =
          kShortRecursion
              ? _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(a[k], u), previousIn),
                              _mm256_mul_pd(a[k], s[k]))
              : _mm256_add_pd(_mm256_mul_pd(a[k], _mm256_sub_pd(u, s[k])), previousIn);
      if (kOddShort && k == kSteps - 1) y = _mm256_blend_pd(y, u, 0b1100);
      previousIn = s[k];
      s[k] = y;
      u = y;
    }
    previous = x;
    return u;
  }

  double (*state_)[2];
  __m256d a[kSteps], s[kSteps], previous;
};

struct WidePlanarOut {
  double* left;
  double* right;
  FLUVIA_AVX void Put(int i, __m256d frames) {
    const __m128d even = _mm256_castpd256_pd128(frames);
    const __m128d odd = _mm256_extractf128_pd(frames, 1);
    _mm_storeu_pd(left + 2 * i, _mm_unpacklo_pd(even, odd));
    _mm_storeu_pd(right + 2 * i, _mm_unpackhi_pd(even, odd));
  }
};
struct WideInterleavedOut {
  double* out;
  FLUVIA_AVX void Put(int i, __m256d frames) { _mm256_storeu_pd(out + 4 * i, frames); }
};

template <int kSections, int kCount, class Out>
FLUVIA_AVX void RunWideFirstStage(const EllipticLowpass& prefilter,
                                  double (*prefilterState)[2][2],
                                  const HalfbandAllpass& halfband, double (*halfbandState)[2],
                                  const double* inLeft, const double* inRight, int frames,
                                  Out out) {
  PrefilterPass<kSections> pre(prefilter, prefilterState);
  WideHalfbandPass<kCount, false> stage(halfband, halfbandState);
  for (int i = 0; i < frames; ++i) {
    out.Put(i, stage.Step(pre.Step(LoadPlanar(inLeft + i, inRight + i)).v));
  }
  pre.Save();
  stage.Save();
}

template <int kCount, class Out>
FLUVIA_AVX void RunWideLaterStage(const HalfbandAllpass& halfband, double (*state)[2],
                                  const double* in, int frames, Out out) {
  WideHalfbandPass<kCount, true> stage(halfband, state);
  for (int i = 0; i < frames; ++i) out.Put(i, stage.Step(_mm_load_pd(in + 2 * i)));
  stage.Save();
}

bool ProcessorHasAvx() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}
#else
bool ProcessorHasAvx() { return false; }
#endif

bool AllZero(const double* left, const double* right, int frames) {
  // Or-ing the bit patterns (with the sign cleared) is exact for -0.0 and needs no branch per
  // sample.
  std::uint64_t bits = 0;
  for (int i = 0; i < frames; ++i) {
    std::uint64_t l, r;
    std::memcpy(&l, left + i, sizeof l);
    std::memcpy(&r, right + i, sizeof r);
    bits |= (l | r) << 1;
  }
  return bits == 0;
}

}  // namespace

bool StereoUpsampler::WideVectorsAvailable() {
  static const bool available = ProcessorHasAvx();
  return available;
}

bool StereoUpsampler::UseWideVectors(bool wide) {
  wide_ = wide && WideVectorsAvailable();
  return wide_;
}

StereoUpsampler::StereoUpsampler() : wide_(WideVectorsAvailable()) { Configure(1, 44100.0); }

bool StereoUpsampler::Configure(int ratio, double inputRate) {
  int stages = 0;
  while (stages < kMaxStages && (1 << stages) < ratio) ++stages;
  if ((1 << stages) != ratio) return false;
  stages_ = stages;
  design_ = inputRate >= 48000.0 ? &kDesignFrom48k : &kDesignBelow48k;
  prefilter_ = DesignEllipticLowpass(design_->passEdge, design_->prefilterStopEdge,
                                     kPassRippleDb, kStopbandDb);
  // An even order's response at 0 Hz is the bottom of its ripple: centre the ripple on 0 dB.
  prefilter_.gain *= std::pow(10.0, kPassRippleDb / 40.0);
  // Each stage keeps the band below the prefilter's stopband edge and removes the images of
  // everything below it.
  halfbands_[0] = DesignHalfbandOfCount(design_->firstHalfbandCount,
                                        design_->prefilterStopEdge / 2.0);
  for (int s = 1; s < kMaxStages; ++s) {
    halfbands_[size_t(s)] = DesignHalfbandOfCount(kLaterHalfbandCounts[size_t(s - 1)],
                                                  design_->prefilterStopEdge / double(2 << s));
  }
  Reset();
  return true;
}

void StereoUpsampler::Reset() {
  std::memset(prefilterState_, 0, sizeof prefilterState_);
  std::memset(halfbandState_, 0, sizeof halfbandState_);
  phase_ = 0;
  stateZero_ = true;
}

void StereoUpsampler::Process(const double* inLeft, const double* inRight, int frames,
                              double* outLeft, double* outRight) {
  if (frames <= 0) return;
  if (stages_ == 0) {
    std::memcpy(outLeft, inLeft, sizeof(double) * size_t(frames));
    std::memcpy(outRight, inRight, sizeof(double) * size_t(frames));
    return;
  }
  const int ratio = Ratio();
  while (frames > 0) {
    const int n = std::min(frames, kChunkFrames - phase_);
    ProcessChunk(inLeft, inRight, n, outLeft, outRight);
    phase_ += n;
    if (phase_ == kChunkFrames) {
      phase_ = 0;
      if (!stateZero_) FlushTinyState();
    }
    inLeft += n;
    inRight += n;
    outLeft += n * ratio;
    outRight += n * ratio;
    frames -= n;
  }
}

void StereoUpsampler::ProcessChunk(const double* inLeft, const double* inRight, int frames,
                                   double* outLeft, double* outRight) {
  const int outFrames = frames * Ratio();
  if (stateZero_ && AllZero(inLeft, inRight, frames)) {
    std::fill(outLeft, outLeft + outFrames, 0.0);
    std::fill(outRight, outRight + outFrames, 0.0);
    return;
  }
  stateZero_ = false;
  // Stage s reads work_[s % 2] (the first stage: the input) and writes work_[(s + 1) % 2],
  // except the last, which writes the output.
  int length = frames;
  for (int s = 0; s < stages_; ++s) {
    RunStage(s, inLeft, inRight, work_[s % 2], length,
             s == stages_ - 1 ? nullptr : work_[(s + 1) % 2], outLeft, outRight);
    length *= 2;
  }
}

void StereoUpsampler::RunStage(int stage, const double* inLeft, const double* inRight,
                               const double* in, int frames, double* outInterleaved,
                               double* outLeft, double* outRight) {
  static_assert(kPrefilterSections == 3 && kDesignBelow48k.firstHalfbandCount == 11 &&
                    kDesignFrom48k.firstHalfbandCount == 10 && kLaterHalfbandCounts[0] == 4 &&
                    kLaterHalfbandCounts[1] == 3 && kLaterHalfbandCounts[2] == 2,
                "the dispatch below follows the design constants");
  const HalfbandAllpass& filter = halfbands_[size_t(stage)];
  const bool firstOfEleven = filter.count == 11;
  double(*state)[2] = halfbandState_[stage];
#ifdef FLUVIA_HAVE_AVX_KERNELS
  if (wide_) {
    auto run = [&](auto out) {
      switch (stage) {
        case 0:
          if (firstOfEleven) {
            RunWideFirstStage<3, 11>(prefilter_, prefilterState_, filter, state, inLeft,
                                     inRight, frames, out);
          } else {
            RunWideFirstStage<3, 10>(prefilter_, prefilterState_, filter, state, inLeft,
                                     inRight, frames, out);
          }
          break;
        case 1: RunWideLaterStage<4>(filter, state, in, frames, out); break;
        case 2: RunWideLaterStage<3>(filter, state, in, frames, out); break;
        default: RunWideLaterStage<2>(filter, state, in, frames, out); break;
      }
    };
    if (outInterleaved) {
      run(WideInterleavedOut{outInterleaved});
    } else {
      run(WidePlanarOut{outLeft, outRight});
    }
    return;
  }
#endif
  auto run = [&](auto out) {
    switch (stage) {
      case 0:
        if (firstOfEleven) {
          RunFirstStage<3, 11>(prefilter_, prefilterState_, filter, state, inLeft, inRight,
                               frames, out);
        } else {
          RunFirstStage<3, 10>(prefilter_, prefilterState_, filter, state, inLeft, inRight,
                               frames, out);
        }
        break;
      case 1: RunLaterStage<4>(filter, state, in, frames, out); break;
      case 2: RunLaterStage<3>(filter, state, in, frames, out); break;
      default: RunLaterStage<2>(filter, state, in, frames, out); break;
    }
  };
  if (outInterleaved) {
    run(InterleavedOut{outInterleaved});
  } else {
    run(PlanarOut{outLeft, outRight});
  }
}

void StereoUpsampler::FlushTinyState() {
  // Not-a-number never compares below the level, so a broken state is not taken for a
  // decayed one.
  bool tiny = true;
  auto check = [&tiny](const double* pair) {
    tiny = tiny && std::fabs(pair[0]) < kFlushLevel && std::fabs(pair[1]) < kFlushLevel;
  };
  for (const auto& section : prefilterState_) {
    for (const auto& pair : section) check(pair);
  }
  for (int s = 0; s < stages_; ++s) {
    for (int j = 0; j <= halfbands_[size_t(s)].count; ++j) check(halfbandState_[s][j]);
  }
  if (tiny) Reset();  // at a flush position the phase is 0 already
}

}  // namespace fluvia
