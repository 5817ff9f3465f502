// WaterEngine::Render: the per-block setup and the per-sample synthesis loop.
//
// The loop keeps all hot state in locals for a stretch of frames (the compiler keeps them in
// registers, and output stores cannot alias them). It is instantiated for each envelope
// segment kind, collision clock mode and delay-line access mode, so the per-sample path carries
// no stage or mode decisions; the only branch left is the end of a segment.
#include <cmath>
#include <cstring>

#include "engine/fast_math.h"
#include "engine/noise.h"
#include "engine/water_engine.h"

namespace fluvia {
namespace {

using namespace fastmath;

// Chain state of one stretch of frames.
struct HotState {
  std::uint32_t noise;
  double s1, s2, s3, s4;
  double phase, previousOffset, held;
  double lowpass;
  double x1, x2, y1, y2;
};

struct LoopConstants {
  double noiseCoefficient;
  double phaseIncrement;
  double massDelay;
  double resonatorFeed;
  double lowpassCoefficient;
  double b0, b1, a1, a2;
  double volume;
  double leftDelay, rightDelay;
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

// All four lines have memory: raw ring access held in locals.
struct CursorLines {
  DelayLine::Cursor excitation, resonator, left, right;

  double ReadExcitation(double d) const { return excitation.Read(d); }
  double ReadResonator(double d) const { return resonator.Read(d); }
  double ReadLeft(double d) const { return left.Read(d); }
  double ReadRight(double d) const { return right.Read(d); }
  void WriteAndStep(double s, double y, double held) {
    right.Write(s);
    left.Write(s);
    resonator.Write(y);
    excitation.Write(held);
    right.Step();
    left.Step();
    resonator.Step();
    excitation.Step();
  }
};

// Some line lost its memory to a failed allocation: every access goes through the line,
// which reads 0 and ignores writes without memory.
struct GuardedLines {
  DelayLine* excitation;
  DelayLine* resonator;
  DelayLine* left;
  DelayLine* right;

  double ReadExcitation(double d) const { return excitation->Read(d); }
  double ReadResonator(double d) const { return resonator->Read(d); }
  double ReadLeft(double d) const { return left->Read(d); }
  double ReadRight(double d) const { return right->Read(d); }
  void WriteAndStep(double s, double y, double held) {
    right->Write(s);
    left->Write(s);
    resonator->Write(y);
    excitation->Write(held);
    right->Step();
    left->Step();
    resonator->Step();
    excitation->Step();
  }
};

template <class Envelope, class Phase, class Lines>
int RunFrames(Envelope& envelopeKernel, Lines& lineAccess, HotState& hotState,
              const LoopConstants& k, double* outLeft, double* outRight, int begin, int end) {
  Envelope envelope = envelopeKernel;
  Lines lines = lineAccess;
  HotState st = hotState;
  const LoopConstants c = k;
  int i = begin;
  while (i < end) {
    const double env = envelope.Next();

    // Noise, then four one-pole stages; each stage takes the unflushed output of the one
    // before, only the stored states are flushed.
    st.noise = NextNoiseState(st.noise);
    const double x = NoiseSample(st.noise);
    const double o1 = (x - st.s1) * c.noiseCoefficient + st.s1;
    st.s1 = FlushDenormal(o1);
    const double o2 = (o1 - st.s2) * c.noiseCoefficient + st.s2;
    st.s2 = FlushDenormal(o2);
    const double o3 = (o2 - st.s3) * c.noiseCoefficient + st.s3;
    st.s3 = FlushDenormal(o3);
    const double o4 = (o3 - st.s4) * c.noiseCoefficient + st.s4;
    st.s4 = FlushDenormal(o4);
    const double excitation = o4 * env;

    // Sample the excitation once per collision cycle, as the phase passes 0.7.
    st.phase = Phase::Advance(st.phase, c.phaseIncrement);
    const double offset = st.phase - 0.5;
    st.held = Select(LessEq(st.previousOffset, 0.2) & Greater(offset, 0.2), excitation, st.held);
    st.previousOffset = offset;

    // Particle resonator: the held value both excites and tunes it.
    const double tap = st.held * c.massDelay;
    const double rC = lines.ReadExcitation(tap);
    const double rA = lines.ReadResonator(tap);
    const double y = FlushDenormal(rC * c.resonatorFeed + st.held * 0.5 - rA * 0.99);

    const double p = (y - st.lowpass) * c.lowpassCoefficient + st.lowpass;
    st.lowpass = FlushDenormal(p);

    const double h = c.b0 * st.x2 + c.b1 * st.x1 + c.b0 * p - (c.a2 * st.y2 + c.a1 * st.y1);
    // The stored inputs and outputs are already flushed, so shifting them needs no flush, and
    // the flushed lowpass output is the new input.
    st.x2 = st.x1;
    st.x1 = st.lowpass;
    st.y2 = st.y1;
    st.y1 = FlushDenormal(h);

    const double s = FastTanh(h * 2.0 * 2.0 * 0.5) * 2.1639534137387 * 0.5 * c.volume;

    const double left = lines.ReadLeft(c.leftDelay);
    const double right = lines.ReadRight(c.rightDelay);
    lines.WriteAndStep(s, y, st.held);
    outLeft[i] = left;
    outRight[i] = right;
    ++i;
    if (envelope.Finished()) break;
  }
  envelopeKernel = envelope;
  lineAccess = lines;
  hotState = st;
  return i;
}

template <class Phase, class Lines>
void RenderSegments(GateEnvelopeState& envelope, const GateEnvelopeBlock& block, Lines& lines,
                    HotState& st, const LoopConstants& c, double* outLeft, double* outRight,
                    int frames) {
  int i = 0;
  while (i < frames) {
    switch (PlanEnvelopeSegment(envelope, block)) {
      case EnvelopeSegment::kRamp: {
        EnvelopeRamp ramp = MakeEnvelopeRamp(envelope, block);
        i = RunFrames<EnvelopeRamp, Phase>(ramp, lines, st, c, outLeft, outRight, i, frames);
        StoreEnvelopeRamp(envelope, ramp);
        break;
      }
      case EnvelopeSegment::kSlew: {
        EnvelopeSlew slew{envelope.level, envelope.smoothed, block.up, block.down, false};
        i = RunFrames<EnvelopeSlew, Phase>(slew, lines, st, c, outLeft, outRight, i, frames);
        envelope.smoothed = slew.smoothed;
        break;
      }
      case EnvelopeSegment::kHold: {
        EnvelopeHold hold{EnvelopeOutput(envelope.smoothed)};
        i = RunFrames<EnvelopeHold, Phase>(hold, lines, st, c, outLeft, outRight, i, frames);
        break;
      }
    }
  }
}

template <class Lines>
void RenderWithLines(GateEnvelopeState& envelope, const GateEnvelopeBlock& block, Lines& lines,
                     HotState& st, const LoopConstants& c, double* outLeft, double* outRight,
                     int frames) {
  const bool simpleClock = st.phase >= 0.0 && st.phase < 1.0 && c.phaseIncrement >= 0.0 &&
                           c.phaseIncrement < 1.0;
  if (simpleClock) {
    RenderSegments<PhaseWrapOnce>(envelope, block, lines, st, c, outLeft, outRight, frames);
  } else {
    RenderSegments<PhaseWrapAny>(envelope, block, lines, st, c, outLeft, outRight, frames);
  }
}

std::uint64_t BitsOf(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

}  // namespace

const BlockCoefficients& WaterEngine::CurrentCoefficients() {
  const std::array<std::uint64_t, 9> inputs = {
      BitsOf(parameters_[kAmpMainVolume]),       BitsOf(parameters_[kContainerSize]),
      BitsOf(parameters_[kContainerDamping]),    BitsOf(parameters_[kSystemEnergyAmt]),
      BitsOf(parameters_[kParticlesWeightVelocityRatio]),
      BitsOf(parameters_[kParticlesMassSpread]), BitsOf(parameters_[kParticlesCollisions]),
      BitsOf(parameters_[kSoundfieldAmt]),       BitsOf(sampleRate_)};
  if (!coefficientsValid_ || inputs != coefficientInputs_) {
    coefficients_ = ComputeBlockCoefficients(parameters_.data(), sampleRate_);
    coefficientInputs_ = inputs;
    coefficientsValid_ = true;
  }
  return coefficients_;
}

int WaterEngine::Render(const double* const* inputs, double* const* outputs, int frames) {
  if (errorState_ != 0) return errorState_;
  if (inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || inputs[1] == nullptr ||
      outputs[0] == nullptr || outputs[1] == nullptr) {
    errorState_ = kNullChannelError;
    return errorState_;
  }

  const BlockCoefficients& bc = CurrentCoefficients();
  reciprocalSampleRate_ = bc.reciprocalSampleRate;
  const GateEnvelopeBlock block =
      PrepareGateEnvelope(parameters_[kVoice00_NoteGate], parameters_[kAmpFadeInOut],
                          sampleRate_);
  if (frames <= 0) return 0;

  ApplyGateEdges(envelope_, block.gate);

  LoopConstants c;
  c.noiseCoefficient = bc.noiseCoefficient;
  c.phaseIncrement = bc.collisionRate * bc.reciprocalSampleRate;
  c.massDelay = bc.massDelay;
  c.resonatorFeed = bc.resonatorFeed;
  c.lowpassCoefficient = bc.lowpassCoefficient;
  c.b0 = bc.b0;
  c.b1 = bc.b1;
  c.a1 = bc.a1;
  c.a2 = bc.a2;
  c.volume = bc.volume;
  c.leftDelay = bc.leftSpreadDelay;
  c.rightDelay = bc.rightSpreadDelay;

  SynthesisState& sy = synthesis_;
  HotState st;
  st.noise = ReserveNoiseDraws(static_cast<std::uint32_t>(frames));
  st.s1 = sy.noiseStage[0];
  st.s2 = sy.noiseStage[1];
  st.s3 = sy.noiseStage[2];
  st.s4 = sy.noiseStage[3];
  st.phase = sy.collisionPhase;
  st.previousOffset = sy.previousCollisionOffset;
  st.held = sy.heldExcitation;
  st.lowpass = sy.lowpass;
  st.x1 = sy.highpassX1;
  st.x2 = sy.highpassX2;
  st.y1 = sy.highpassY1;
  st.y2 = sy.highpassY2;

  double* outLeft = outputs[0];
  double* outRight = outputs[1];
  const bool allLinesHaveMemory = excitationLine_.HasMemory() && resonatorLine_.HasMemory() &&
                                  leftSpreadLine_.HasMemory() && rightSpreadLine_.HasMemory();
  if (allLinesHaveMemory) {
    CursorLines lines{excitationLine_.Load(), resonatorLine_.Load(), leftSpreadLine_.Load(),
                      rightSpreadLine_.Load()};
    RenderWithLines(envelope_, block, lines, st, c, outLeft, outRight, frames);
    excitationLine_.Store(lines.excitation);
    resonatorLine_.Store(lines.resonator);
    leftSpreadLine_.Store(lines.left);
    rightSpreadLine_.Store(lines.right);
  } else {
    GuardedLines lines{&excitationLine_, &resonatorLine_, &leftSpreadLine_, &rightSpreadLine_};
    RenderWithLines(envelope_, block, lines, st, c, outLeft, outRight, frames);
  }

  sy.noiseStage[0] = st.s1;
  sy.noiseStage[1] = st.s2;
  sy.noiseStage[2] = st.s3;
  sy.noiseStage[3] = st.s4;
  sy.collisionPhase = st.phase;
  sy.previousCollisionOffset = st.previousOffset;
  sy.heldExcitation = st.held;
  sy.lowpass = st.lowpass;
  sy.highpassX1 = st.x1;
  sy.highpassX2 = st.x2;
  sy.highpassY1 = st.y1;
  sy.highpassY2 = st.y2;
  return 0;
}

}  // namespace fluvia
