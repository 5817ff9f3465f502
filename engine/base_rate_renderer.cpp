#include "engine/base_rate_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fluvia {
namespace {

constexpr double kBaseRates[] = {44100.0, 48000.0};
// Engine frames per engine call when the host names no block size.
constexpr int kDefaultCapacity = 512;

// How far a rate lies from the nearer base rate, as the size of the logarithm of their ratio.
double DistanceToBaseRate(double rate) {
  double best = HUGE_VAL;
  for (double base : kBaseRates) best = std::min(best, std::fabs(std::log(rate / base)));
  return best;
}

}  // namespace

BaseRatePlan PlanBaseRate(double hostRate) {
  BaseRatePlan plan;
  plan.ratio = 1;
  plan.engineRate = hostRate;
  if (!(hostRate > 0.0) || !std::isfinite(hostRate)) return plan;
  double best = DistanceToBaseRate(hostRate);
  for (int ratio = 2; ratio <= StereoUpsampler::kMaxRatio; ratio *= 2) {
    const double distance = DistanceToBaseRate(hostRate / ratio);
    // A hair's tolerance so that an exact tie is not decided by rounding.
    if (distance < best - 1e-12) {
      best = distance;
      plan.ratio = ratio;
      plan.engineRate = hostRate / ratio;
    }
  }
  return plan;
}

void BaseRateRenderer::Prepare(double hostRate, int maxFrames) {
  plan_ = PlanBaseRate(hostRate);
  upsampler_.Configure(plan_.ratio, plan_.engineRate);
  if (plan_.ratio > 1) {
    capacity_ = maxFrames > 0 ? (maxFrames + plan_.ratio - 1) / plan_.ratio : kDefaultCapacity;
    engineLeft_.assign(size_t(capacity_), 0.0);
    engineRight_.assign(size_t(capacity_), 0.0);
  }
  Reset();
}

void BaseRateRenderer::Reset() {
  upsampler_.Reset();
  owedStart_ = 0;
  owedCount_ = 0;
  engineFrames_ = 0;
}

int BaseRateRenderer::RenderEngine(WaterEngine& engine, const double* const* inputs, int frames) {
  double* outputs[2] = {engineLeft_.data(), engineRight_.data()};
  if (engine.Render(inputs, outputs, frames) != 0) {
    std::fill(engineLeft_.begin(), engineLeft_.begin() + frames, 0.0);
    std::fill(engineRight_.begin(), engineRight_.begin() + frames, 0.0);
  }
  engineFrames_ += frames;
  return frames;
}

void BaseRateRenderer::Render(WaterEngine& engine, const double* const* inputs,
                              double* const* outputs, int frames) {
  if (plan_.ratio == 1) {
    engine.Render(inputs, outputs, frames);
    engineFrames_ += std::max(frames, 0);
    return;
  }
  if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) {
    engine.Render(inputs, outputs, 0);  // the engine's own check latches its error
    return;
  }
  if (frames <= 0) return;
  const int ratio = plan_.ratio;
  double* left = outputs[0];
  double* right = outputs[1];

  int done = std::min(owedCount_, frames);
  std::memcpy(left, owedLeft_ + owedStart_, sizeof(double) * size_t(done));
  std::memcpy(right, owedRight_ + owedStart_, sizeof(double) * size_t(done));
  owedStart_ += done;
  owedCount_ -= done;

  while (done < frames) {
    const int wanted = frames - done;
    const int rendered = RenderEngine(engine, inputs, std::min((wanted + ratio - 1) / ratio, capacity_));
    // Engine frames whose host frames are all wanted go straight to the host's buffers.
    const int whole = std::min(rendered, wanted / ratio);
    upsampler_.Process(engineLeft_.data(), engineRight_.data(), whole, left + done, right + done);
    done += whole * ratio;
    if (whole < rendered) {
      // The last engine frame: the host frames wanted now, and the rest owed to the next call.
      upsampler_.Process(engineLeft_.data() + whole, engineRight_.data() + whole, 1, owedLeft_,
                         owedRight_);
      const int now = frames - done;
      std::memcpy(left + done, owedLeft_, sizeof(double) * size_t(now));
      std::memcpy(right + done, owedRight_, sizeof(double) * size_t(now));
      done += now;
      owedStart_ = now;
      owedCount_ = ratio - now;
    }
  }
}

}  // namespace fluvia
