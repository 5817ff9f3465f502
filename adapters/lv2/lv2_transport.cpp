#include "adapters/lv2/lv2_transport.h"

#include <cmath>

namespace fluvia {
namespace {

// Positions beyond this many frames or bars are no real session; they are kept in range so
// that the arithmetic below stays exact and conversions to integers stay defined.
constexpr double kMaxPosition = 9.0e15;

constexpr double kMaxTempo = 1.0e6;
constexpr double kMaxSpeed = 1.0e3;
constexpr double kMaxSignature = 1024.0;

double Bounded(double v) { return v < -kMaxPosition ? -kMaxPosition : (v > kMaxPosition ? kMaxPosition : v); }

int32_t SignaturePart(double v) {
  return v >= 1.0 && v <= 256.0 ? int32_t(v) : 4;
}

}  // namespace

void Lv2Transport::Apply(const Lv2TimePosition& p) {
  // Values no session has are ignored, which keeps every product below finite.
  if (p.hasTempo && p.tempo >= 0.0 && p.tempo <= kMaxTempo) tempo_ = p.tempo;
  if (p.hasSpeed && std::fabs(p.speed) <= kMaxSpeed) speed_ = p.speed;
  if (p.hasFrame) frame_ = Bounded(p.frame);
  if (p.hasBeatsPerBar && p.beatsPerBar > 0.0 && p.beatsPerBar <= kMaxSignature) {
    beatsPerBar_ = p.beatsPerBar;
  }
  if (p.hasBeatUnit && p.beatUnit >= 1.0 && p.beatUnit <= kMaxSignature) beatUnit_ = p.beatUnit;
  if (p.hasBar) bar_ = Bounded(std::floor(p.bar));
  if (p.hasBarBeat) {
    barBeat_ = p.barBeat;
  } else if (p.hasBeat && !p.hasBar) {
    // Only the beat count from the start: split it into bar and beat.
    const double beat = Bounded(p.beat);
    bar_ = std::floor(beat / beatsPerBar_);
    barBeat_ = beat - bar_ * beatsPerBar_;
  }
  if (!(barBeat_ >= 0.0 && barBeat_ < beatsPerBar_)) barBeat_ = 0.0;
}

void Lv2Transport::Advance(int frames, double sampleRate) {
  if (speed_ == 0.0 || frames <= 0 || !(sampleRate > 0.0)) return;
  frame_ = Bounded(frame_ + double(frames) * speed_);
  const double beats = double(frames) / sampleRate * tempo_ / 60.0 * speed_;
  if (!std::isfinite(beats)) return;
  double position = barBeat_ + beats;
  const double bars = std::floor(position / beatsPerBar_);
  bar_ = Bounded(bar_ + bars);
  position -= bars * beatsPerBar_;
  barBeat_ = (position >= 0.0 && position < beatsPerBar_) ? position : 0.0;
}

int32_t Lv2Transport::Numerator() const { return SignaturePart(beatsPerBar_); }
int32_t Lv2Transport::Denominator() const { return SignaturePart(beatUnit_); }

void Lv2Transport::Fill(TimeInfo& info) const {
  // Quarter notes per beat of the signature's unit.
  const double quarters = 4.0 / beatUnit_;
  info.tempo = tempo_;
  info.samplePosition = frame_;
  info.lastBarPosition = bar_ * beatsPerBar_ * quarters;
  info.ppqPosition = info.lastBarPosition + barBeat_ * quarters;
  info.numerator = Numerator();
  info.denominator = Denominator();
  info.transportRunning = Rolling();
  info.cycleActive = false;  // LV2 hosts do not report loops
}

}  // namespace fluvia
