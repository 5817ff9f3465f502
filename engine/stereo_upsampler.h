// StereoUpsampler: raises a stereo stream's sample rate by 2, 4, 8 or 16 without latency.
//
// The band kept is the audible one: up to 20 kHz at input rates of 44.1 kHz and more (a
// fixed fraction of the rate below), flat within 0.05 dB; everything above the input's Nyquist
// frequency ends at least 100 dB down. That takes two kinds of filter:
//   1. an elliptic lowpass of order 6 at the input rate, which removes what lies between the
//      audible band and the input's Nyquist frequency. A halfband filter could not: its
//      transition band is centred on that frequency, so content just below it would come back
//      mirrored just above it;
//   2. a cascade of halfband interpolators, each doubling the rate: the polyphase allpass form
//      of an elliptic halfband filter, where the two output phases of an input frame come from
//      two short chains of first-order allpass sections at the input rate, one multiplication
//      per coefficient. The first stage must be steep (10 or 11 coefficients); the later ones
//      only remove images far from the band and need 4, 3 and 2.
// All of them are recursive and causal: an input frame yields its output frames at once, so
// the stream gains no latency. (Their phase response delays the band by a few input samples,
// more near its top, as an analogue anti-imaging filter would.)
//
// Two designs, by input rate: below 48 kHz the band reaches 20/44.1 of the rate and the
// prefilter's stopband starts at 21.5/44.1 of it; from 48 kHz on the band is 20 kHz and the
// stopband starts at 23/48 of the rate, which leaves the first halfband stage room to do with
// 10 coefficients instead of 11.
//
// The result depends only on the stream, never on how it is cut into calls: every frame goes
// through the same operations in order. The one step beyond plain filtering, setting a fully
// decayed state to exact zeros (it keeps the recursions out of the slow denormal range and
// makes silence cost nothing), happens at fixed positions of the stream, every kChunkFrames
// input frames. Nothing allocates; both channels go through the same instructions at once.
#pragma once

#include <array>

#include "engine/elliptic_design.h"

namespace fluvia {

class StereoUpsampler {
 public:
  static constexpr int kMaxStages = 4;
  static constexpr int kMaxRatio = 1 << kMaxStages;
  static constexpr int kChunkFrames = 256;  // input frames per pass; also the flush spacing
  static constexpr double kPassRippleDb = 0.05;
  static constexpr double kStopbandDb = 100.0;
  static constexpr int kPrefilterOrder = 6;
  // Edges as fractions of the input rate, and the first halfband stage's size.
  struct Design {
    double passEdge;
    double prefilterStopEdge;
    int firstHalfbandCount;
  };
  static constexpr Design kDesignBelow48k = {20000.0 / 44100.0, 21500.0 / 44100.0, 11};
  static constexpr Design kDesignFrom48k = {20000.0 / 48000.0, 23000.0 / 48000.0, 10};
  // Coefficients of the halfband stages after the first.
  static constexpr std::array<int, kMaxStages - 1> kLaterHalfbandCounts = {4, 3, 2};
  // States below this magnitude (about -600 dB) at a flush position become exact zeros.
  static constexpr double kFlushLevel = 1e-30;

  StereoUpsampler();  // ratio 1

  // Ratio 1, 2, 4, 8 or 16 at an input rate in Hz; another ratio is refused (false) and
  // changes nothing. Starts from silence.
  bool Configure(int ratio, double inputRate);
  int Ratio() const { return 1 << stages_; }
  const Design& CurrentDesign() const { return *design_; }
  // Back to silence.
  void Reset();

  // Turns `frames` input frames into frames x Ratio() output frames. At ratio 1 the input is
  // copied. Inputs and outputs must not overlap.
  void Process(const double* inLeft, const double* inRight, int frames, double* outLeft,
               double* outRight);

  // Whether the halfband stages may run four lanes wide (AVX, where the processor has it; on
  // by default). The results are the same either way; this exists to test that. Returns what
  // is in effect.
  bool UseWideVectors(bool wide);
  static bool WideVectorsAvailable();

  const EllipticLowpass& Prefilter() const { return prefilter_; }
  const HalfbandAllpass& Halfband(int stage) const { return halfbands_[size_t(stage)]; }
  // True while every filter state is exactly zero (silence in then gives silence out at once).
  bool StateIsZero() const { return stateZero_; }

 private:
  static constexpr int kPrefilterSections = kPrefilterOrder / 2;
  static constexpr int kMaxStates = HalfbandAllpass::kMaxCoefficients + 1;

  void ProcessChunk(const double* inLeft, const double* inRight, int frames, double* outLeft,
                    double* outRight);
  // Stage 0 (with the prefilter) reads the input channels, later stages `in`.
  void RunStage(int stage, const double* inLeft, const double* inRight, const double* in,
                int frames, double* outInterleaved, double* outLeft, double* outRight);
  void FlushTinyState();

  bool wide_ = false;
  int stages_ = 0;
  int phase_ = 0;  // input frames since the last flush position
  bool stateZero_ = true;
  const Design* design_ = &kDesignBelow48k;
  EllipticLowpass prefilter_;
  std::array<HalfbandAllpass, kMaxStages> halfbands_{};
  // States as [left, right] pairs. Prefilter: two per section. Halfband stage: the previous
  // input, then one per coefficient (its section's previous output).
  alignas(16) double prefilterState_[kPrefilterSections][2][2] = {};
  alignas(16) double halfbandState_[kMaxStages][kMaxStates][2] = {};
  // Interleaved stereo between the stages of one chunk (the last stage writes the output).
  alignas(16) double work_[2][kChunkFrames * kMaxRatio] = {};
};

}  // namespace fluvia
