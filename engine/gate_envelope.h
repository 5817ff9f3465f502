// The gate envelope: attack over the fade time on a rising gate, hold while the gate is on,
// release over the same fade time when it falls, then a slew stage that passes rises at once
// and smooths falls over about a millisecond.
//
// The renderer runs the envelope in segments within which its behaviour is uniform, each with
// a small kernel whose Next() yields one sample of envelope output:
// - EnvelopeRamp while an attack or release clock moves (one power curve per sample);
// - EnvelopeSlew while the level is constant but the smoothed value is still moving;
// - EnvelopeHold once the smoothed value has settled, when the output is a constant.
// Splitting this way keeps stage decisions out of the per-sample path.
#pragma once

#include "engine/fast_math.h"

namespace fluvia {

enum class EnvelopeStage : int { kIdle = 0, kAttack = 1, kSustain = 2, kRelease = 4 };

struct GateEnvelopeState {
  double risingHistory = 0.0;   // gate at the previous sample, for the rising-edge test
  double fallingHistory = 0.0;  // a separate copy for the falling-edge test
  EnvelopeStage stage = EnvelopeStage::kIdle;
  double clock = 0.0;
  double level = 0.0;
  double attackStartLevel = 0.0;
  double releaseStartLevel = 0.0;
  double smoothed = 0.0;
};

// Values that hold for one rendered block.
struct GateEnvelopeBlock {
  double gate;
  double fadeTime;  // seconds, for both attack and release
  double up;        // slew coefficient for rises
  double down;      // slew coefficient for falls
  double sampleRate;
};

double Clamp01(double x);

GateEnvelopeBlock PrepareGateEnvelope(double gateParameter, double fadeParameter,
                                      double sampleRate);

// Edge tests of a block's first sample. The gate is constant within a block, so later samples
// of the block never see an edge.
void ApplyGateEdges(GateEnvelopeState& state, double gate);

// Clock advance per sample of the current attack or release (0 for a zero duration).
double StageClockIncrement(const GateEnvelopeState& state, const GateEnvelopeBlock& block);

// One slew step followed by the denormal flush.
inline double SlewEnvelope(double smoothed, double level, double up, double down) {
  using namespace fastmath;
  const double c = Select(Greater(level, smoothed), up, down);
  return FlushDenormal(smoothed + (level - smoothed) * c);
}

// The envelope's output for a smoothed value: below 1e-8 (or not positive) is silence, 1 and
// above is full level.
inline double EnvelopeOutput(double smoothed) {
  using namespace fastmath;
  return KeepIf(GreaterEq(smoothed, 0.00000001), Min(smoothed, 1.0));
}

// Attack and release share one shape: level = P(base + direction * clock, 2.001) * scale +
// offset, which is P(clock) (1 - a) + a for an attack from a and P(1 - clock) r for a release
// from r. When the clock passes the limit the stage ends with `endLevel`.
struct EnvelopeRamp {
  double clock;
  double increment;
  double base;
  double direction;
  double scale;
  double offset;
  double limit;
  double endLevel;
  double smoothed;
  double up;
  double down;
  double level;
  bool finished;

  double Next() {
    using namespace fastmath;
    clock = clock + increment;
    const double curve = FastPow2001(base + direction * clock) * scale + offset;
    finished = clock > limit;
    level = Select(Greater(clock, limit), endLevel, curve);
    smoothed = SlewEnvelope(smoothed, level, up, down);
    return EnvelopeOutput(smoothed);
  }
  bool Finished() const { return finished; }
};

// Constant level, smoothed value still moving towards it. Finished once a step leaves the
// smoothed value unchanged: from then on every step would, so the output is constant.
struct EnvelopeSlew {
  double level;
  double smoothed;
  double up;
  double down;
  bool settled;

  double Next() {
    const double next = SlewEnvelope(smoothed, level, up, down);
    settled = next == smoothed;
    smoothed = next;
    return EnvelopeOutput(smoothed);
  }
  bool Finished() const { return settled; }
};

// Settled envelope: the output is the same for the rest of the block.
struct EnvelopeHold {
  double output;
  double Next() const { return output; }
  static constexpr bool Finished() { return false; }
};

// What the renderer does next with the envelope, from its state at a sample boundary.
enum class EnvelopeSegment { kRamp, kSlew, kHold };

// Decides the next segment. For a constant-level segment it also stores the level that every
// sample of it produces (1 in sustain, the curve at the frozen clock of a zero-length stage).
EnvelopeSegment PlanEnvelopeSegment(GateEnvelopeState& state, const GateEnvelopeBlock& block);

EnvelopeRamp MakeEnvelopeRamp(const GateEnvelopeState& state, const GateEnvelopeBlock& block);
void StoreEnvelopeRamp(GateEnvelopeState& state, const EnvelopeRamp& ramp);

}  // namespace fluvia
