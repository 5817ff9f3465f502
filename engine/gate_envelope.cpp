#include "engine/gate_envelope.h"

#include <cmath>

namespace fluvia {

using fastmath::FastPow2001;
using fastmath::FlushOverflow;

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

EnvelopeSegment PlanEnvelopeSegment(GateEnvelopeState& state, const GateEnvelopeBlock& block) {
  const bool ramping =
      state.stage == EnvelopeStage::kAttack || state.stage == EnvelopeStage::kRelease;
  if (ramping && StageClockIncrement(state, block) != 0.0) return EnvelopeSegment::kRamp;

  // A stage with zero duration keeps its clock, so its curve value is the same every sample.
  switch (state.stage) {
    case EnvelopeStage::kAttack:
      state.level = FastPow2001(state.clock) * (1.0 - state.attackStartLevel) +
                    state.attackStartLevel;
      break;
    case EnvelopeStage::kRelease:
      state.level = FastPow2001(1.0 - state.clock) * state.releaseStartLevel;
      break;
    case EnvelopeStage::kSustain:
      state.level = 1.0;
      break;
    case EnvelopeStage::kIdle:
      break;
  }
  const double next = SlewEnvelope(state.smoothed, state.level, block.up, block.down);
  return next == state.smoothed ? EnvelopeSegment::kHold : EnvelopeSegment::kSlew;
}

EnvelopeRamp MakeEnvelopeRamp(const GateEnvelopeState& state, const GateEnvelopeBlock& block) {
  EnvelopeRamp ramp{};
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
  ramp.smoothed = state.smoothed;
  ramp.up = block.up;
  ramp.down = block.down;
  ramp.level = state.level;
  ramp.finished = false;
  return ramp;
}

void StoreEnvelopeRamp(GateEnvelopeState& state, const EnvelopeRamp& ramp) {
  state.smoothed = ramp.smoothed;
  state.level = ramp.level;
  if (ramp.finished) {
    state.stage = state.stage == EnvelopeStage::kAttack ? EnvelopeStage::kSustain
                                                        : EnvelopeStage::kIdle;
    state.clock = 0.0;
  } else {
    state.clock = ramp.clock;
  }
}

}  // namespace fluvia
