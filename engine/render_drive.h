// Internal to the renderer: the drive pass (noise, its filter, the envelope slew and the
// collision clock).
#pragma once

#include "engine/gate_envelope.h"
#include "engine/noise.h"
#include "engine/render_state.h"

namespace fluvia {
namespace render {

// The drive pass. Noise draws pass four one-pole stages in series (each stage takes the
// unflushed output of the one before; only the stored states are flushed); the slewed envelope
// shapes the result into the excitation, which the collision clock samples once per cycle, as
// the phase passes 0.7, into the held excitation. Writes the held value per frame.
//
// The denormal flushes of the noise stages and of the smoothed envelope sit on their
// recurrences and lengthen them by half, yet they almost never change anything (a noise stage
// would need thousands of frames of near-silent noise; the envelope reaches the range once,
// long after a release). So the chunk first runs without them, recording whether any stored
// value fell into the flush range; only then is it run again with them, from the saved start.
// Either way the result is that of the flushing recurrences.
// With kSettled the level is one constant and the smoothed value already sits where a slew
// step leaves it unchanged, so the envelope output is a constant and the slew is skipped.
template <bool kFlush, bool kSettled, class Phase>
inline bool DriveRun(DriveState& state, const LoopConstants& k, const double* level,
                     double* heldOut, int frames) {
  DriveState st = state;
  const LoopConstants c = k;
  double smallestNoise = 1.0;  // smallest |stage output|: the flush test, off the recurrences
  bool envelopeInFlushRange = false;
  const double settledEnvelope = EnvelopeOutput(st.smoothedEnvelope);
  for (int i = 0; i < frames; ++i) {
    st.noise = NextNoiseState(st.noise);
    const double x = NoiseSample(st.noise);
    const double o1 = (x - st.s1) * c.noiseCoefficient + st.s1;
    const double o2 = (o1 - st.s2) * c.noiseCoefficient + st.s2;
    const double o3 = (o2 - st.s3) * c.noiseCoefficient + st.s3;
    const double o4 = (o3 - st.s4) * c.noiseCoefficient + st.s4;
    if (kFlush) {
      st.s1 = FlushDenormal(o1);
      st.s2 = FlushDenormal(o2);
      st.s3 = FlushDenormal(o3);
      st.s4 = FlushDenormal(o4);
    } else {
      st.s1 = o1;
      st.s2 = o2;
      st.s3 = o3;
      st.s4 = o4;
      smallestNoise = Min(smallestNoise, Min(Min(Abs(o1), Abs(o2)), Min(Abs(o3), Abs(o4))));
    }
    double envelope = settledEnvelope;
    if (!kSettled) {
      const double slewed =
          SlewEnvelopeUnflushed(st.smoothedEnvelope, level[i], c.slewUp, c.slewDown);
      if (kFlush) {
        st.smoothedEnvelope = FlushDenormal(slewed);
      } else {
        st.smoothedEnvelope = slewed;
        envelopeInFlushRange |= (Abs(slewed) < 0x1p-1021) & (slewed != 0.0);
      }
      envelope = EnvelopeOutput(st.smoothedEnvelope);
    }
    const double excitation = o4 * envelope;

    st.phase = Phase::Advance(st.phase, c.phaseIncrement);
    const double offset = st.phase - 0.5;
    st.held = Select(LessEq(st.previousOffset, 0.2) & Greater(offset, 0.2), excitation, st.held);
    st.previousOffset = offset;
    heldOut[i] = st.held;
  }
  if (!kFlush && (smallestNoise < 0x1p-1021 || envelopeInFlushRange)) return false;
  state = st;
  return true;
}

template <bool kSettled, class Phase>
inline void DriveWith(DriveState& state, const LoopConstants& c, const double* level,
                      double* heldOut, int frames) {
  if (!DriveRun<false, kSettled, Phase>(state, c, level, heldOut, frames)) {
    DriveRun<true, kSettled, Phase>(state, c, level, heldOut, frames);
  }
}

template <class Phase>
inline void Drive(DriveState& state, const LoopConstants& c, const double* level,
                  bool levelConstant, double* heldOut, int frames) {
  const bool settled = levelConstant && SlewEnvelope(state.smoothedEnvelope, level[0], c.slewUp,
                                                     c.slewDown) == state.smoothedEnvelope;
  if (settled) {
    DriveWith<true, Phase>(state, c, level, heldOut, frames);
  } else {
    DriveWith<false, Phase>(state, c, level, heldOut, frames);
  }
}

}  // namespace render
}  // namespace fluvia
