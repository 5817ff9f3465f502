#include "engine/gate_envelope.h"

#include <algorithm>
#include <cmath>

namespace fluvia {

using fastmath::FastPow2001;
using fastmath::FlushOverflow;
#ifdef FLUVIA_HAVE_SSE2
using fastmath::FastPow2001x2;
#endif

double Clamp01(double x) {
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  return x;
}

GateEnvelopeBlock PrepareGateEnvelope(double gateParameter, double fadeParameter,
                                      double sampleRate) {
  const double fade = Clamp01(fadeParameter);
  double f = fade * fade;
  if (f <= 0.0001) {
    f = 0.0001;
  } else if (f >= 1.0) {
    f = 1.0;
  }
  GateEnvelopeBlock block;
  block.gate = Clamp01(gateParameter);
  block.fadeTime = 10.0 * f;
  block.up = 1.0;
  const double samplesPerMillisecond = std::fabs(sampleRate * 0.001);
  block.down = 1.0 / (samplesPerMillisecond > 1.0 ? samplesPerMillisecond : 1.0);
  block.sampleRate = sampleRate;
  return block;
}

void ApplyGateEdges(GateEnvelopeState& state, double gate) {
  // Only a change of exactly one counts, so that fractional gate values never retrigger.
  if (gate - state.risingHistory == 1.0) {
    state.stage = EnvelopeStage::kAttack;
    state.attackStartLevel = state.level;
    state.clock = 0.0;
  }
  state.risingHistory = gate;
  if (gate - state.fallingHistory == -1.0) {
    state.stage = EnvelopeStage::kRelease;
    state.releaseStartLevel = state.level;
    state.clock = 0.0;
  }
  state.fallingHistory = gate;
}

double StageClockIncrement(const GateEnvelopeState& state, const GateEnvelopeBlock& block) {
  const double t = block.fadeTime;
  double duration = 0.0;
  if (state.stage == EnvelopeStage::kAttack) {
    // The attack covers the distance still to go, so a retrigger from a high level is short.
    duration = (FlushOverflow(state.attackStartLevel) * (-t) + t) * block.sampleRate;
  } else if (state.stage == EnvelopeStage::kRelease) {
    duration = FlushOverflow(state.releaseStartLevel) * t * block.sampleRate;
  }
  return duration == 0.0 ? 0.0 : 1.0 / duration;
}

namespace {

// Attack and release share one shape: level = P(base + direction * clock, 2.001) * scale +
// offset, which is P(clock) (1 - a) + a for an attack from a and P(1 - clock) r for a release
// from r. When the clock passes the limit the stage ends with `endLevel`.
struct Ramp {
  double clock, increment, base, direction, scale, offset, limit, endLevel;
};

Ramp MakeRamp(const GateEnvelopeState& state, const GateEnvelopeBlock& block) {
  Ramp ramp;
  ramp.clock = state.clock;
  ramp.increment = StageClockIncrement(state, block);
  if (state.stage == EnvelopeStage::kAttack) {
    ramp.base = 0.0;
    ramp.direction = 1.0;
    ramp.scale = 1.0 - state.attackStartLevel;
    ramp.offset = state.attackStartLevel;
    ramp.limit = 1.0;
    ramp.endLevel = 1.0;
  } else {
    // The level reaches 0 when the clock passes 1 (the curve's base turns negative and the
    // flushed power is 0); the stage itself lasts until 3.
    ramp.base = 1.0;
    ramp.direction = -1.0;
    ramp.scale = state.releaseStartLevel;
    ramp.offset = 0.0;
    ramp.limit = 3.0;
    ramp.endLevel = 0.0;
  }
  return ramp;
}

double RampLevel(const Ramp& r, double clock) {
  return FastPow2001(r.base + r.direction * clock) * r.scale + r.offset;
}

// Runs a ramp until it ends or the frames are used up; returns the frames produced. The clock
// is a running sum, but the curve values then follow from it independently, so while the
// stage certainly goes on they are computed two at a time.
int RunRamp(GateEnvelopeState& state, const GateEnvelopeBlock& block, double* out, int frames) {
  const Ramp r = MakeRamp(state, block);
  double clock = r.clock;
  int i = 0;
#ifdef FLUVIA_HAVE_SSE2
  const __m128d base = _mm_set1_pd(r.base);
  const __m128d direction = _mm_set1_pd(r.direction);
  const __m128d scale = _mm_set1_pd(r.scale);
  const __m128d offset = _mm_set1_pd(r.offset);
  while (i + 2 <= frames) {
    const double first = clock + r.increment;
    const double second = first + r.increment;
    if (second > r.limit) break;  // the clock only grows, so the first is within the stage too
    clock = second;
    const __m128d clocks = _mm_set_pd(second, first);
    const __m128d curve = FastPow2001x2(_mm_add_pd(base, _mm_mul_pd(direction, clocks)));
    _mm_storeu_pd(out + i, _mm_add_pd(_mm_mul_pd(curve, scale), offset));
    i += 2;
  }
#endif
  bool finished = false;
  while (i < frames && !finished) {
    clock = clock + r.increment;
    finished = clock > r.limit;
    // The sample in which the stage ends already has the next stage's level.
    out[i++] = finished ? r.endLevel : RampLevel(r, clock);
  }
  if (finished) {
    state.stage =
        state.stage == EnvelopeStage::kAttack ? EnvelopeStage::kSustain : EnvelopeStage::kIdle;
    state.clock = 0.0;
  } else {
    state.clock = clock;
  }
  state.level = out[i - 1];
  return i;
}

// The level of a stage whose clock does not move: 1 in sustain, the previous level when idle,
// and for an attack or release of zero duration the curve at its frozen clock.
double ConstantStageLevel(const GateEnvelopeState& state) {
  switch (state.stage) {
    case EnvelopeStage::kAttack:
      return FastPow2001(state.clock) * (1.0 - state.attackStartLevel) + state.attackStartLevel;
    case EnvelopeStage::kRelease:
      return FastPow2001(1.0 - state.clock) * state.releaseStartLevel;
    case EnvelopeStage::kSustain:
      return 1.0;
    case EnvelopeStage::kIdle:
      break;
  }
  return state.level;
}

}  // namespace

bool RenderGateLevels(GateEnvelopeState& state, const GateEnvelopeBlock& block, double* level,
                      int frames) {
  int i = 0;
  bool constant = true;
  while (i < frames) {
    const bool ramping =
        state.stage == EnvelopeStage::kAttack || state.stage == EnvelopeStage::kRelease;
    if (ramping && StageClockIncrement(state, block) != 0.0) {
      i += RunRamp(state, block, level + i, frames - i);
      constant = false;
    } else {
      // Nothing in the stage changes until the next edge, which cannot come within a block.
      state.level = ConstantStageLevel(state);
      std::fill(level + i, level + frames, state.level);
      constant = constant && i == 0;
      i = frames;
    }
  }
  return constant;
}

}  // namespace fluvia
