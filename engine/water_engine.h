// WaterEngine: the water synthesis model. Holds the 26 parameter values, all signal state and
// four delay lines, and renders stereo blocks: band-limited noise shaped by the gate envelope,
// sampled at the collision rate, drives a feedback delay pair (the particle resonator) whose
// output is lowpassed, highpassed by the container filter, saturated, scaled and spread to two
// channels by two short delays.
//
// The engine has no lock: its owner serialises all calls on one engine. Nothing allocates after
// Create.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/block_coefficients.h"
#include "engine/delay_line.h"
#include "engine/engine_params.h"
#include "engine/gate_envelope.h"

namespace fluvia {

// Signal state of the synthesis chain outside the envelope and the delay lines.
struct SynthesisState {
  double noiseStage[4] = {0.0, 0.0, 0.0, 0.0};  // the four one-pole noise filter states
  double collisionPhase = 0.0;
  double previousCollisionOffset = 0.0;
  double heldExcitation = 0.0;
  double lowpass = 0.0;     // 4 kHz lowpass state
  double highpassX1 = 0.0;  // previous input
  double highpassX2 = 0.0;  // input before that
  double highpassY1 = 0.0;  // previous output
  double highpassY2 = 0.0;  // output before that
};

class WaterEngine {
 public:
  static constexpr int kNullChannelError = 101;

  // Returns nullptr when the engine itself cannot be allocated (no exception escapes).
  static std::unique_ptr<WaterEngine> Create(double sampleRate);
  ~WaterEngine();
  WaterEngine(const WaterEngine&) = delete;
  WaterEngine& operator=(const WaterEngine&) = delete;

  // Clears all signal state, restores every parameter default and clears the error state.
  // A rate that is not a finite non-negative number is stored as 0, which renders silence.
  void Reset(double sampleRate);

  // Clamps to the parameter's range; NaN leaves the stored value unchanged and indices outside
  // 0..25 are ignored.
  void SetParameter(int index, double value);
  double Parameter(int index) const;                   // 0 outside 0..25
  const EngineParamInfo* Descriptor(int index) const;  // nullptr outside 0..25

  // Renders `frames` frames into outputs[0] (left) and outputs[1] (right); the inputs are
  // checked but never read. A null array or channel pointer latches error 101 until the next
  // Reset; while an error is latched nothing is written and the error is returned.
  int Render(const double* const* inputs, double* const* outputs, int frames);

  int ErrorState() const { return errorState_; }
  double SampleRate() const { return sampleRate_; }
  double ReciprocalSampleRate() const { return reciprocalSampleRate_; }

  // Read-only views for tests and diagnostics.
  const GateEnvelopeState& Envelope() const { return envelope_; }
  const SynthesisState& Synthesis() const { return synthesis_; }
  const DelayLine& ExcitationLine() const { return excitationLine_; }
  const DelayLine& ResonatorLine() const { return resonatorLine_; }
  const DelayLine& LeftSpreadLine() const { return leftSpreadLine_; }
  const DelayLine& RightSpreadLine() const { return rightSpreadLine_; }
  // The engine object plus its delay memory, in bytes.
  std::size_t MemoryFootprint() const;

 private:
  WaterEngine() = default;
  const BlockCoefficients& CurrentCoefficients();
  bool LinesArePaired() const;

  double sampleRate_ = 0.0;
  double reciprocalSampleRate_ = 0.0;
  int errorState_ = 0;
  std::array<double, kEngineParamCount> parameters_{};
  GateEnvelopeState envelope_;
  SynthesisState synthesis_;

  // Coefficients of the last block and the inputs they came from: hosts rarely change
  // parameters every block, and the sines, cosine and powers cost as much as dozens of frames.
  BlockCoefficients coefficients_{};
  std::array<std::uint64_t, 9> coefficientInputs_{};
  bool coefficientsValid_ = false;

  // Zeros most recently written to the spread lines in a row; a reset leaves them all zero.
  std::int64_t silentSpreadFrames_ = 0;

  DelayLine excitationLine_;
  DelayLine resonatorLine_;
  DelayLine leftSpreadLine_;
  DelayLine rightSpreadLine_;
  std::array<EngineParamInfo, kEngineParamCount> descriptors_;
};

}  // namespace fluvia
