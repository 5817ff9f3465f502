// BaseRateRenderer: plays the engine at the rate its sound was made for and hands the host
// frames at the host's own rate.
//
// The engine's sound is tied to its sample rate (its delays and filters count samples), and it
// was voiced at 44.1 and 48 kHz. At higher host rates the engine therefore runs at the host rate
// divided by a power of two and its output is upsampled (StereoUpsampler, no latency); at 44.1
// and 48 kHz and below it renders straight into the host's buffers, exactly as it always did.
//
// Timing. Host frame h of the stream comes from engine frame floor(h / ratio). A call that
// starts at host frame H finds ceil(H / ratio) engine frames rendered; the host frames still
// owed from the last of them were kept from the previous call and come first. So whatever
// changes the engine between two calls (a note, a parameter) acts from engine frame
// ceil(H / ratio) on, that is at host frame ceil(H / ratio) x ratio: on time when H is a
// multiple of the ratio, otherwise up to ratio - 1 host frames late (never as much as one engine
// frame). Output thus depends only on the stream positions of the changes, never on how the
// stream is cut into calls.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/stereo_upsampler.h"
#include "engine/water_engine.h"

namespace fluvia {

struct BaseRatePlan {
  int ratio = 1;               // host frames per engine frame
  double engineRate = 44100.0;  // the host rate divided by the ratio
};

// The engine rate is the host rate divided by the power of two from 1 to 16 that brings it
// nearest, as a ratio, to 44.1 or 48 kHz (on a tie the smaller divisor). Multiples of the two
// rates map onto them exactly (88.2 and 176.4 kHz onto 44.1 kHz; 96 and 192 kHz onto 48 kHz);
// rates up to 65.07 kHz (the geometric mean of 48 and 88.2 kHz) render directly, and so does a
// rate that is not a positive finite number (the engine treats it as 0).
BaseRatePlan PlanBaseRate(double hostRate);

class BaseRateRenderer {
 public:
  // Plans for the host rate and makes room for calls of up to `maxFrames` host frames (longer
  // calls are rendered in pieces); starts a new stream. Allocates: not for the audio thread.
  void Prepare(double hostRate, int maxFrames);
  // Starts a new stream: no frames owed, the upsampler silent. Goes with the engine's Reset.
  void Reset();

  const BaseRatePlan& Plan() const { return plan_; }
  double EngineRate() const { return plan_.engineRate; }
  // Engine frames rendered since the stream started.
  std::int64_t EngineFrames() const { return engineFrames_; }

  // Writes `frames` host frames to outputs[0] (left) and outputs[1] (right), rendering the
  // engine as far as they need. At ratio 1 this is the engine's Render itself. Otherwise a
  // null channel pointer reaches the engine, which latches its error; while the engine reports
  // an error its frames count as silence.
  void Render(WaterEngine& engine, const double* const* inputs, double* const* outputs,
              int frames);

 private:
  int RenderEngine(WaterEngine& engine, const double* const* inputs, int frames);

  BaseRatePlan plan_;
  int capacity_ = 0;  // engine frames per engine call
  std::vector<double> engineLeft_, engineRight_;
  StereoUpsampler upsampler_;
  // The host frames of the last rendered engine frame that are still owed to the host.
  double owedLeft_[StereoUpsampler::kMaxRatio] = {};
  double owedRight_[StereoUpsampler::kMaxRatio] = {};
  int owedStart_ = 0;
  int owedCount_ = 0;
  std::int64_t engineFrames_ = 0;
};

}  // namespace fluvia
