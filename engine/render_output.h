// Internal to the renderer: the output passes (saturation and volume, the spread delays).
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "engine/render_lines.h"
#include "engine/render_state.h"

namespace fluvia {
namespace render {

// Soft saturation and volume. Frames are independent here, so two go at once.
inline double SaturateOne(double h, double volume) {
  return FastTanh(h * 2.0 * 2.0 * 0.5) * 2.1639534137387 * 0.5 * volume;
}

inline void Saturate(const double* h, double volume, double* out, int frames) {
  int i = 0;
#ifdef FLUVIA_HAVE_SSE2
  const __m128d two = _mm_set1_pd(2.0);
  const __m128d half = _mm_set1_pd(0.5);
  const __m128d gain = _mm_set1_pd(2.1639534137387);
  const __m128d vol = _mm_set1_pd(volume);
  for (; i + 2 <= frames; i += 2) {
    const __m128d z = _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(_mm_loadu_pd(h + i), two), two), half);
    const __m128d t = FastTanh2(z);
    _mm_storeu_pd(out + i, _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(t, gain), half), vol));
  }
#endif
  for (; i < frames; ++i) out[i] = SaturateOne(h[i], volume);
}

// The spread delays (each channel reads before the frame's value is written, so both
// trail by at least one frame).
template <class Lines>
inline void Spread(Lines& lineAccess, const LoopConstants& k, const double* saturated,
                   double* outLeft, double* outRight, int frames) {
  Lines lines = lineAccess;
  const double leftDelay = k.leftDelay;
  const double rightDelay = k.rightDelay;
  for (int i = 0; i < frames; ++i) {
    double left, right;
    lines.ReadSpread(leftDelay, rightDelay, left, right);
    lines.WriteSpread(saturated[i]);
    outLeft[i] = left;
    outRight[i] = right;
  }
  lineAccess = lines;
}

// The spread delays in the common case of whole-sample spread delays (0 and full spread at the
// usual rates): the interpolation weight is exactly 0, so each read is the one slot `delay` back.
inline void SpreadWhole(PairedLines& lines, std::uint32_t leftDelay, std::uint32_t rightDelay,
                        const double* saturated, double* outLeft, double* outRight, int frames) {
  LinePair p = lines.spread;
  for (int i = 0; i < frames; ++i) {
    const double left = p.first[(p.writeIndex - leftDelay) & p.mask];
    const double right = p.second[(p.writeIndex - rightDelay) & p.mask];
    p.WriteAndStep(saturated[i], saturated[i]);
    outLeft[i] = left;
    outRight[i] = right;
  }
  lines.spread = p;
}

// The delay a spread read actually uses, when it is a whole number of samples.
inline bool WholeSpreadDelay(const LinePair& p, double delay, std::uint32_t& whole) {
  const double d = Min(Max(delay, 1.0), p.maxDelay);
  if (!(d >= 0.0) || d != std::floor(d)) return false;
  whole = static_cast<std::uint32_t>(d);
  return true;
}

template <class Lines>
inline void SpreadPass(Lines& lines, const LoopConstants& c, const double* saturated,
                       double* outLeft, double* outRight, int frames) {
  if constexpr (std::is_same<Lines, PairedLines>::value) {
    std::uint32_t left, right;
    if (WholeSpreadDelay(lines.spread, c.leftDelay, left) &&
        WholeSpreadDelay(lines.spread, c.rightDelay, right)) {
      SpreadWhole(lines, left, right, saturated, outLeft, outRight, frames);
      return;
    }
  }
  Spread(lines, c, saturated, outLeft, outRight, frames);
}

}  // namespace render
}  // namespace fluvia
