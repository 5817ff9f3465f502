// The gate envelope: attack over the fade time on a rising gate, hold while the gate is on,
// release over the same fade time when it falls, then a slew stage that passes rises at once
// and smooths falls over about a millisecond.
//
// The raw level depends on nothing but the gate and the envelope's own state, so it is
// rendered ahead into a buffer, in segments within which the stage does not change: a ramp
// while an attack or release clock moves (one power curve per sample), otherwise a constant.
// Stage decisions thus stay out of the per-sample loops. The slew stage, a short recurrence,
// runs inside the synthesis loop, where its latency overlaps with the rest of the frame.
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

// One slew step before the denormal flush.
inline double SlewEnvelopeUnflushed(double smoothed, double level, double up, double down) {
  using namespace fastmath;
  const double c = Select(Greater(level, smoothed), up, down);
  return smoothed + (level - smoothed) * c;
}

// One slew step followed by the denormal flush.
inline double SlewEnvelope(double smoothed, double level, double up, double down) {
  return fastmath::FlushDenormal(SlewEnvelopeUnflushed(smoothed, level, up, down));
}

// The envelope's output for a smoothed value: below 1e-8 (or not positive) is silence, 1 and
// above is full level.
inline double EnvelopeOutput(double smoothed) {
  using namespace fastmath;
  return KeepIf(GreaterEq(smoothed, 0.00000001), Min(smoothed, 1.0));
}

// Produces the raw level of `frames` consecutive samples and advances the stage machine (the
// block's edges must have been applied before the first of them). The smoothed value is left
// to the caller, who runs SlewEnvelope on each level. Returns true when all the levels are one
// constant.
bool RenderGateLevels(GateEnvelopeState& state, const GateEnvelopeBlock& block, double* level,
                      int frames);

}  // namespace fluvia
