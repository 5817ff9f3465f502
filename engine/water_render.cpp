// WaterEngine::Render: the per-block setup and the synthesis loops.
//
// A frame's work is a long chain of dependent operations (noise filter, resonator, filters,
// tanh), but consecutive frames are linked only through a few short recurrences. One fused
// per-frame loop leaves the processor waiting on each frame's chain; so a block is rendered in
// chunks, each chunk in passes whose frames overlap freely:
//   1. the gate envelope's raw level (it depends only on the gate; gate_envelope.h),
//   2. the drive: noise and its four-stage filter, envelope slew, and the collision clock that
//      samples the shaped noise into the held excitation (render_drive.h),
//   3. the resonator, 4 kHz lowpass and container highpass (render_resonator.h),
//   4. saturation and volume, then the two spread delays (render_output.h).
// Each delay line is used by one pass only, in frame order, and every value crosses from one
// pass to the next unchanged, so the result equals running all steps of a frame before the
// next frame. Once the tail of a note has decayed to exact zeros, passes 3 and 4 reduce to
// writing zeros (render_silence.h). Hot state lives in locals within a pass.
#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "engine/render_drive.h"
#include "engine/render_lines.h"
#include "engine/render_output.h"
#include "engine/render_resonator.h"
#include "engine/render_silence.h"
#include "engine/render_state.h"
#include "engine/water_engine.h"

namespace fluvia {
namespace {

using namespace render;

template <class Phase, class Lines>
void RenderChunks(GateEnvelopeState& envelope, const GateEnvelopeBlock& block, DriveState& drive,
                  FilterState& filters, Lines& lines, const LoopConstants& c, double* outLeft,
                  double* outRight, int frames) {
  // Two buffers suffice: each pass's output is the next pass's input.
  alignas(64) double a[kChunkFrames];
  alignas(64) double b[kChunkFrames];
  for (int done = 0; done < frames; done += kChunkFrames) {
    const int n = std::min(kChunkFrames, frames - done);
    double* left = outLeft + done;
    double* right = outRight + done;
    const bool levelConstant = RenderGateLevels(envelope, block, a, n);
    Drive<Phase>(drive, c, a, levelConstant, b, n);
    if constexpr (std::is_same<Lines, PairedLines>::value) {
      if (ResonanceSilent(lines, filters, b, n)) {
        RenderSilentChunk(lines, c, b, a, left, right, n);
        continue;
      }
      ResonatePaired(filters, lines, c, b, a, n);
    } else {
      ResonateGuarded(filters, lines, c, b, a, n);
    }
    Saturate(a, c.volume, b, n);
    SpreadPass(lines, c, b, left, right, n);
    if constexpr (std::is_same<Lines, PairedLines>::value) CountSilentSpread(lines, b, n);
  }
}

template <class Lines>
void RenderWithLines(GateEnvelopeState& envelope, const GateEnvelopeBlock& block, DriveState& drive,
                     FilterState& filters, Lines& lines, const LoopConstants& c, double* outLeft,
                     double* outRight, int frames) {
  const bool simpleClock =
      drive.phase >= 0.0 && drive.phase < 1.0 && c.phaseIncrement >= 0.0 && c.phaseIncrement < 1.0;
  if (simpleClock) {
    RenderChunks<PhaseWrapOnce>(envelope, block, drive, filters, lines, c, outLeft, outRight,
                                frames);
  } else {
    RenderChunks<PhaseWrapAny>(envelope, block, drive, filters, lines, c, outLeft, outRight,
                               frames);
  }
}

std::uint64_t BitsOf(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

}  // namespace

bool WaterEngine::LinesArePaired() const {
  return InStep(excitationLine_, resonatorLine_) && InStep(leftSpreadLine_, rightSpreadLine_);
}

const BlockCoefficients& WaterEngine::CurrentCoefficients() {
  const std::array<std::uint64_t, 9> inputs = {BitsOf(parameters_[kAmpMainVolume]),
                                               BitsOf(parameters_[kContainerSize]),
                                               BitsOf(parameters_[kContainerDamping]),
                                               BitsOf(parameters_[kSystemEnergyAmt]),
                                               BitsOf(parameters_[kParticlesWeightVelocityRatio]),
                                               BitsOf(parameters_[kParticlesMassSpread]),
                                               BitsOf(parameters_[kParticlesCollisions]),
                                               BitsOf(parameters_[kSoundfieldAmt]),
                                               BitsOf(sampleRate_)};
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
      PrepareGateEnvelope(parameters_[kVoice00_NoteGate], parameters_[kAmpFadeInOut], sampleRate_);
  if (frames <= 0) return 0;

  ApplyGateEdges(envelope_, block.gate);

  LoopConstants c;
  c.slewUp = block.up;
  c.slewDown = block.down;
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
  DriveState drive;
  drive.noise = ReserveNoiseDraws(static_cast<std::uint32_t>(frames));
  drive.s1 = sy.noiseStage[0];
  drive.s2 = sy.noiseStage[1];
  drive.s3 = sy.noiseStage[2];
  drive.s4 = sy.noiseStage[3];
  drive.smoothedEnvelope = envelope_.smoothed;
  drive.phase = sy.collisionPhase;
  drive.previousOffset = sy.previousCollisionOffset;
  drive.held = sy.heldExcitation;
  FilterState filters{sy.lowpass, sy.highpassX1, sy.highpassX2, sy.highpassY1, sy.highpassY2};

  double* outLeft = outputs[0];
  double* outRight = outputs[1];
  if (LinesArePaired()) {
    PairedLines lines{MakePair(excitationLine_, resonatorLine_),
                      MakePair(leftSpreadLine_, rightSpreadLine_), silentSpreadFrames_};
    RenderWithLines(envelope_, block, drive, filters, lines, c, outLeft, outRight, frames);
    StorePair(lines.resonance, excitationLine_, resonatorLine_);
    StorePair(lines.spread, leftSpreadLine_, rightSpreadLine_);
    silentSpreadFrames_ = lines.silentSpreadFrames;
  } else {
    GuardedLines lines{&excitationLine_, &resonatorLine_, &leftSpreadLine_, &rightSpreadLine_};
    RenderWithLines(envelope_, block, drive, filters, lines, c, outLeft, outRight, frames);
    silentSpreadFrames_ = 0;
  }

  sy.noiseStage[0] = drive.s1;
  sy.noiseStage[1] = drive.s2;
  sy.noiseStage[2] = drive.s3;
  sy.noiseStage[3] = drive.s4;
  envelope_.smoothed = drive.smoothedEnvelope;
  sy.collisionPhase = drive.phase;
  sy.previousCollisionOffset = drive.previousOffset;
  sy.heldExcitation = drive.held;
  sy.lowpass = filters.lowpass;
  sy.highpassX1 = filters.x1;
  sy.highpassX2 = filters.x2;
  sy.highpassY1 = filters.y1;
  sy.highpassY2 = filters.y2;
  return 0;
}

}  // namespace fluvia
