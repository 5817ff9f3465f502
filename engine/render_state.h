// Internal to the renderer: the state a block's passes carry in locals, their constants, and
// the collision clock variants.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/fast_math.h"

namespace fluvia {
namespace render {

using namespace fastmath;

// Frames per chunk: large enough to amortise the passes, small enough that the chunk buffers
// stay in the first-level cache.
constexpr int kChunkFrames = 128;

struct DriveState {
  std::uint32_t noise;
  double s1, s2, s3, s4;  // noise filter stages
  double smoothedEnvelope;
  double phase, previousOffset, held;
};

struct FilterState {
  double lowpass;
  double x1, x2, y1, y2;
};

struct LoopConstants {
  double slewUp, slewDown;
  double noiseCoefficient;
  double phaseIncrement;
  double massDelay;
  double resonatorFeed;
  double lowpassCoefficient;
  double b0, b1, a1, a2;
  double volume;
  double leftDelay, rightDelay;
};

// Records whether any of the values it is given lies in the flush range (non-zero, exponent
// field 0 or 1), two at a time and without a branch.
struct FlushRangeDetector {
#ifdef FLUVIA_HAVE_SSE2
  __m128d seen = _mm_setzero_pd();
  void Add(double a, double b) {
    const __m128d v = _mm_set_pd(b, a);
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    const __m128d inRange = _mm_and_pd(_mm_cmplt_pd(magnitude, _mm_set1_pd(0x1p-1021)),
                                       _mm_cmpneq_pd(v, _mm_setzero_pd()));
    seen = _mm_or_pd(seen, inRange);
  }
  bool Seen() const { return _mm_movemask_pd(seen) != 0; }
#else
  bool seen = false;
  static bool InRange(double v) { return std::fabs(v) < 0x1p-1021 && v != 0.0; }
  void Add(double a, double b) { seen = seen || InRange(a) || InRange(b); }
  bool Seen() const { return seen; }
#endif
};

// Collision clock while the step is below one cycle and the phase is in [0, 1): one
// subtraction replaces phase - floor(phase) exactly.
struct PhaseWrapOnce {
  static double Advance(double phase, double increment) {
    phase = phase + increment;
    return phase - KeepIf(GreaterEq(phase, 1.0), 1.0);
  }
};

// Any step (rates below the collision rate, or a clock without a rate).
struct PhaseWrapAny {
  static double Advance(double phase, double increment) {
    phase = phase + increment;
    if (phase < 0.0 || phase >= 1.0) phase = phase - std::floor(phase);
    return phase;
  }
};

}  // namespace render
}  // namespace fluvia
