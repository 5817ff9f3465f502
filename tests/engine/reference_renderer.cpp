#include "reference_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/engine_params.h"

namespace fluvia {
namespace reference {
namespace {

std::uint32_t UpperBits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return static_cast<std::uint32_t>(b >> 32);
}

double FlushDenormal(double v) { return ((UpperBits(v) & 0x7FE00000u) == 0 && v != 0.0) ? 0.0 : v; }

double FlushOverflow(double v) { return (UpperBits(v) & 0x7FE00000u) == 0x7FE00000u ? 0.0 : v; }

double P(double x, double e) { return FlushOverflow(std::pow(x, e)); }

double Clamp01(double x) { return x <= 0.0 ? 0.0 : (x >= 1.0 ? 1.0 : x); }

double ClampC(double x) { return x <= 0.00001 ? 0.00001 : (x >= 0.99999 ? 0.99999 : x); }

double Noise(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  const std::uint32_t bits = 0x3F800000u | (state & 0x007FFFFFu);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return static_cast<double>(f * 2.0f - 3.0f);
}

}  // namespace

void ReferenceLine::Init(int size) {
  maxDelay_ = size;
  capacity_ = 2;
  while (capacity_ < std::max(size, 2)) capacity_ *= 2;
  memory_.assign(static_cast<std::size_t>(capacity_), 0.0);
  writeIndex_ = 0;
  lastWritten_ = 0;
}

double ReferenceLine::Read(double delay) const {
  if (!hasMemory_) return 0.0;
  const double lowerBound = writeIndex_ != lastWritten_ ? 1.0 : 0.0;
  double d = std::max(delay, lowerBound);
  d = std::min(d, static_cast<double>(maxDelay_));
  const double r = static_cast<double>(capacity_ + writeIndex_) - d;
  const int i = static_cast<int>(r);
  const double f = r - i;
  const double a = memory_[static_cast<std::size_t>(i & (capacity_ - 1))];
  const double b = memory_[static_cast<std::size_t>((i + 1) & (capacity_ - 1))];
  return a + (b - a) * f;
}

void ReferenceLine::Write(double x) {
  if (!hasMemory_) return;
  lastWritten_ = writeIndex_;
  memory_[static_cast<std::size_t>(writeIndex_)] = x;
}

void ReferenceLine::Step() {
  if (!hasMemory_) return;
  writeIndex_ += 1;
  if (writeIndex_ == capacity_) writeIndex_ = 0;
}

ReferenceRenderer::ReferenceRenderer(double sampleRate) : sr_(sampleRate) {
  for (int i = 0; i < 26; ++i) parameters_[i] = EngineParamTableRow(i).defaultValue;
  rightLine.Init(2000);
  leftLine.Init(2000);
  resonatorLine.Init(static_cast<int>(sampleRate));
  excitationLine.Init(static_cast<int>(sampleRate));
}

void ReferenceRenderer::Render(std::uint32_t& noiseState, double* left, double* right, int frames) {
  const double sr = sr_;
  const double* p = parameters_;
  // Per-block values.
  const double vol = Clamp01(p[kAmpMainVolume]);
  const double fHP = 50 + 8950 * P(Clamp01(p[kContainerSize]), 4);
  const double qHP = 1 + 8 * P(Clamp01(p[kContainerDamping]), 2);
  const double fN = 400 + 2600 * P(Clamp01(p[kSystemEnergyAmt]), 1);
  const double gate = Clamp01(p[kVoice00_NoteGate]);
  double F = Clamp01(p[kAmpFadeInOut]);
  F = F * F;
  F = F <= 0.0001 ? 0.0001 : (F >= 1 ? 1 : F);
  const double T = 10 * F;
  const double up = 1;
  const double down = 1 / std::max(std::fabs(sr * 0.001), 1.0);
  const double cN = ClampC(std::sin(sr == 0 ? 0 : fN * 2 * 3.1415926535898 / sr));
  const double k = 0.7 * P(Clamp01(p[kParticlesWeightVelocityRatio]), 1) - 0.5;
  const double M = 2 + 198 * P(Clamp01(p[kParticlesMassSpread]), 3);
  const double fC = 300 + 19700 * P(Clamp01(p[kParticlesCollisions]), 3);
  const double rsr = 1 / sr;
  const double c4k = ClampC(std::sin(sr == 0 ? 0 : 25132.741228718 / sr));
  const double f0 = std::max(fHP, 0.0);
  const double q = qHP < 0.000001 ? 0.000001 : qHP;
  const double w = sr == 0 ? 0 : f0 * 6.2831853071796 / sr;
  const double cs = std::cos(w);
  const double alpha = q == 0 ? 0 : std::sin(w) * 0.5 / q;
  const double g = 1 + alpha == 0 ? 0 : 1 / (1 + alpha);
  const double b0 = (cs + 1) * 0.5 * g;
  const double b1 = -(cs + 1) * g;
  const double a1 = cs * -2 * g;
  const double a2 = (1 - alpha) * g;
  const double PR = sr * 0.04 * Clamp01(p[kSoundfieldAmt]);
  const double PL = PR * 0.4;

  for (int i = 0; i < frames; ++i) {
    // 1. Envelope.
    if (gate - risingHistory_ == 1) {
      stage = 1;
      attackStart_ = level;
      clock_ = 0;
    }
    risingHistory_ = gate;
    if (gate - fallingHistory_ == -1) {
      stage = 4;
      releaseStart_ = level;
      clock_ = 0;
    }
    fallingHistory_ = gate;
    if (stage == 1) {
      const double duration = (P(attackStart_, 1) * (-T) + T) * sr;
      clock_ = clock_ + (duration == 0 ? 0 : 1 / duration);
      level = P(clock_, 2.001) * (1 - attackStart_) + attackStart_;
      if (clock_ > 1) {
        stage = 2;
        clock_ = 0;
      }
    }
    if (stage == 2) {
      level = 1;
    } else if (stage == 4) {
      const double duration = P(releaseStart_, 1) * T * sr;
      clock_ = clock_ + (duration == 0 ? 0 : 1 / duration);
      level = P(1 - clock_, 2.001) * releaseStart_;
      if (clock_ > 3) {
        stage = 0;
        clock_ = 0;
        level = 0;
      }
    }
    const double c = level > smoothed_ ? up : down;
    smoothed_ = smoothed_ + (level - smoothed_) * c;
    smoothed_ = FlushDenormal(smoothed_);
    double env;
    if (smoothed_ < 0.00000001 || !(smoothed_ > 0)) {
      env = 0;
    } else if (smoothed_ >= 1) {
      env = 1;
    } else {
      env = smoothed_;
    }

    // 2.-3. Noise and its filter.
    const double x = Noise(noiseState);
    const double o1 = (x - s1_) * cN + s1_;
    s1_ = FlushDenormal(o1);
    const double o2 = (o1 - s2_) * cN + s2_;
    s2_ = FlushDenormal(o2);
    const double o3 = (o2 - s3_) * cN + s3_;
    s3_ = FlushDenormal(o3);
    const double o4 = (o3 - s4_) * cN + s4_;
    s4_ = FlushDenormal(o4);
    // 4. Excitation.
    const double e = o4 * env;
    // 5. Collision clock.
    phase_ = phase_ + fC * rsr;
    if (phase_ < 0 || phase_ >= 1) phase_ = phase_ - std::floor(phase_);
    const double t = phase_ - 0.5;
    if (previousOffset_ <= 0.2 && t > 0.2) held_ = e;
    previousOffset_ = t;
    // 6. Resonator.
    const double tap = held_ * M;
    const double rC = excitationLine.Read(tap);
    const double rA = resonatorLine.Read(tap);
    double y = rC * k + held_ * 0.5 - rA * 0.99;
    y = FlushDenormal(y);
    // 7. Lowpass.
    const double pl = (y - lowpass_) * c4k + lowpass_;
    lowpass_ = FlushDenormal(pl);
    // 8. Highpass.
    const double h = b0 * x2_ + b1 * x1_ + b0 * pl - (a2 * y2_ + a1 * y1_);
    x2_ = FlushDenormal(x1_);
    x1_ = FlushDenormal(pl);
    y2_ = FlushDenormal(y1_);
    y1_ = FlushDenormal(h);
    // 9. Output stage.
    const double s = std::tanh(h * 2 * 2 * 0.5) * 2.1639534137387 * 0.5 * vol;
    // 10.-12. Spread and write-back.
    const double l = leftLine.Read(PL);
    const double r = rightLine.Read(PR);
    rightLine.Write(s);
    leftLine.Write(s);
    resonatorLine.Write(y);
    excitationLine.Write(held_);
    rightLine.Step();
    leftLine.Step();
    resonatorLine.Step();
    excitationLine.Step();
    left[i] = l;
    right[i] = r;
  }
}

}  // namespace reference
}  // namespace fluvia
