// libFuzzer target: the LV2 module's atom sequence reader, on any bytes as the host's event
// buffer, and the transport it feeds. The URIDs are small numbers, so that the fuzzer meets
// real sequences, MIDI events and position objects often. Every MIDI message handed on must be
// a channel message stamped inside the block, and the transport must stay finite.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "adapters/lv2/lv2_events.h"
#include "adapters/lv2/lv2_transport.h"

namespace {

fluvia::Lv2EventUrids Urids() {
  fluvia::Lv2EventUrids u;
  LV2_URID next = 1;
  for (LV2_URID* id : {&u.atomSequence, &u.atomObject, &u.atomBlank, &u.atomFloat, &u.atomDouble,
                       &u.atomInt, &u.atomLong, &u.atomBeatTime, &u.midiEvent, &u.timePosition,
                       &u.timeFrame, &u.timeSpeed, &u.timeBeatsPerMinute, &u.timeBar,
                       &u.timeBarBeat, &u.timeBeat, &u.timeBeatsPerBar, &u.timeBeatUnit,
                       &u.unitsBeat}) {
    *id = next++;
  }
  return u;
}

class Checks final : public fluvia::Lv2EventSink {
 public:
  explicit Checks(int frames) : frames_(frames) {}
  void Midi(const fluvia::MidiMessage& m) override {
    if (m.offset < 0 || m.offset >= std::max(frames_, 1)) std::abort();
    if (m.status < 0x80 || m.status >= 0xF0 || m.data1 >= 0x80 || m.data2 >= 0x80) std::abort();
  }
  void Position(int frame, const fluvia::Lv2TimePosition& position) override {
    if (frame < 0 || frame >= std::max(frames_, 1)) std::abort();
    transport.Apply(position);
  }
  fluvia::Lv2Transport transport;

 private:
  int frames_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fluvia::Lv2EventUrids urids = Urids();
  if (size < 2) return 0;
  const int frames = 1 + data[0] * 8;
  // The host's buffer: aligned as hosts align it, exactly as long as the input.
  std::vector<uint64_t> buffer((size - 1 + 7) / 8 + 1);
  std::memcpy(buffer.data(), data + 1, size - 1);
  Checks checks(frames);
  fluvia::ReadLv2Events(buffer.data(), uint32_t(size - 1), urids, frames, checks);
  checks.transport.Advance(frames, 48000.0);
  fluvia::TimeInfo info;
  checks.transport.Fill(info);
  for (double v : {info.tempo, info.samplePosition, info.ppqPosition, info.lastBarPosition}) {
    if (!std::isfinite(v)) std::abort();
  }
  if (info.numerator < 1 || info.denominator < 1) std::abort();
  return 0;
}
