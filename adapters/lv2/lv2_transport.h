#pragma once
// The host's transport as LV2 hosts report it: a time:Position object whenever something
// changes (tempo, locate, start, stop), and silence in between. The plug-in keeps the last
// report and moves it on by each block it renders, so that the core's questions about tempo,
// position and signature have an answer at every block.

#include <cstdint>

#include "adapters/lv2/lv2_events.h"
#include "framework/plugin_types.h"

namespace fluvia {

class Lv2Transport {
 public:
  static constexpr double kDefaultTempo = 120.0;

  // Takes over the fields the host reported.
  void Apply(const Lv2TimePosition& position);
  // Moves the position on by a rendered block at the given rate.
  void Advance(int frames, double sampleRate);

  double Tempo() const { return tempo_; }
  bool Rolling() const { return speed_ != 0.0; }
  double Frame() const { return frame_; }
  int32_t Numerator() const;
  int32_t Denominator() const;
  void Fill(TimeInfo& info) const;

 private:
  double tempo_ = kDefaultTempo;
  double speed_ = 0.0;
  double frame_ = 0.0;
  double bar_ = 0.0;
  double barBeat_ = 0.0;
  double beatsPerBar_ = 4.0;
  double beatUnit_ = 4.0;
};

}  // namespace fluvia
