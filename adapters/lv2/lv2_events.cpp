#include "adapters/lv2/lv2_events.h"

#include <cmath>
#include <cstring>

#include "lv2/atom/atom.h"
#include "lv2/midi/midi.h"
#include "lv2/time/time.h"
#include "lv2/units/units.h"

namespace fluvia {
namespace {

// Host buffers are 8-byte aligned, but nothing here relies on it: every field is copied out.
template <typename T>
T Load(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

uint64_t Padded(uint64_t size) { return (size + 7u) & ~uint64_t(7); }

constexpr uint64_t kAtomHeader = sizeof(LV2_Atom);                     // size, type
constexpr uint64_t kEventHeader = sizeof(LV2_Atom_Event);              // time, atom
constexpr uint64_t kSequenceHeader = sizeof(LV2_Atom_Sequence);        // atom, unit, pad
constexpr uint64_t kObjectBodyHeader = sizeof(LV2_Atom_Object_Body);   // id, otype
constexpr uint64_t kPropertyHeader = sizeof(LV2_Atom_Property_Body);   // key, context, atom

// The number a property holds, when it is one of the four numeric atom types and finite.
bool ReadNumber(const Lv2EventUrids& u, LV2_URID type, const uint8_t* body, uint64_t size,
                double& out) {
  double value = 0.0;
  if (type == u.atomFloat && size >= sizeof(float)) {
    value = double(Load<float>(body));
  } else if (type == u.atomDouble && size >= sizeof(double)) {
    value = Load<double>(body);
  } else if (type == u.atomInt && size >= sizeof(int32_t)) {
    value = double(Load<int32_t>(body));
  } else if (type == u.atomLong && size >= sizeof(int64_t)) {
    value = double(Load<int64_t>(body));
  } else {
    return false;
  }
  if (!std::isfinite(value)) return false;
  out = value;
  return true;
}

void ReadPosition(const Lv2EventUrids& u, const uint8_t* body, uint64_t size,
                  Lv2TimePosition& position) {
  if (size < kObjectBodyHeader) return;
  uint64_t offset = kObjectBodyHeader;
  while (offset + kPropertyHeader <= size) {
    const LV2_URID key = Load<uint32_t>(body + offset);
    const uint32_t valueSize = Load<uint32_t>(body + offset + 8);
    const LV2_URID valueType = Load<uint32_t>(body + offset + 12);
    const uint64_t valueAt = offset + kPropertyHeader;
    if (valueSize > size - valueAt) return;  // the property runs past the object
    double v = 0.0;
    if (ReadNumber(u, valueType, body + valueAt, valueSize, v)) {
      if (key == u.timeFrame) {
        position.hasFrame = true, position.frame = v;
      } else if (key == u.timeSpeed) {
        position.hasSpeed = true, position.speed = v;
      } else if (key == u.timeBeatsPerMinute) {
        position.hasTempo = true, position.tempo = v;
      } else if (key == u.timeBar) {
        position.hasBar = true, position.bar = v;
      } else if (key == u.timeBarBeat) {
        position.hasBarBeat = true, position.barBeat = v;
      } else if (key == u.timeBeat) {
        position.hasBeat = true, position.beat = v;
      } else if (key == u.timeBeatsPerBar && v > 0.0) {
        position.hasBeatsPerBar = true, position.beatsPerBar = v;
      } else if (key == u.timeBeatUnit && v > 0.0) {
        position.hasBeatUnit = true, position.beatUnit = v;
      }
    }
    offset = valueAt + Padded(valueSize);
  }
}

// A channel message (note, pressure, controller, program, bend) of exactly its length;
// system messages and stray data bytes are not for the instrument.
bool ReadMidi(const uint8_t* body, uint64_t size, MidiMessage& message) {
  if (size < 1) return false;
  const uint8_t status = body[0];
  if (status < 0x80 || status >= 0xF0) return false;
  const int kind = status >> 4;
  const uint64_t length = (kind == 0xC || kind == 0xD) ? 2 : 3;
  if (size != length) return false;
  for (uint64_t i = 1; i < length; ++i) {
    if (body[i] >= 0x80) return false;
  }
  message.status = status;
  message.data1 = body[1];
  message.data2 = length == 3 ? body[2] : 0;
  return true;
}

}  // namespace

Lv2EventUrids Lv2EventUrids::Map(const LV2_URID_Map& map) {
  auto m = [&](const char* uri) { return map.map(map.handle, uri); };
  Lv2EventUrids u;
  u.atomSequence = m(LV2_ATOM__Sequence);
  u.atomObject = m(LV2_ATOM__Object);
  u.atomBlank = m(LV2_ATOM__Blank);
  u.atomFloat = m(LV2_ATOM__Float);
  u.atomDouble = m(LV2_ATOM__Double);
  u.atomInt = m(LV2_ATOM__Int);
  u.atomLong = m(LV2_ATOM__Long);
  u.atomBeatTime = m(LV2_ATOM__beatTime);
  u.unitsBeat = m(LV2_UNITS__beat);
  u.midiEvent = m(LV2_MIDI__MidiEvent);
  u.timePosition = m(LV2_TIME__Position);
  u.timeFrame = m(LV2_TIME__frame);
  u.timeSpeed = m(LV2_TIME__speed);
  u.timeBeatsPerMinute = m(LV2_TIME__beatsPerMinute);
  u.timeBar = m(LV2_TIME__bar);
  u.timeBarBeat = m(LV2_TIME__barBeat);
  u.timeBeat = m(LV2_TIME__beat);
  u.timeBeatsPerBar = m(LV2_TIME__beatsPerBar);
  u.timeBeatUnit = m(LV2_TIME__beatUnit);
  return u;
}

void ReadLv2Events(const void* buffer, uint32_t capacity, const Lv2EventUrids& u, int frames,
                   Lv2EventSink& sink) {
  if (!buffer || capacity < kSequenceHeader) return;
  const auto* base = static_cast<const uint8_t*>(buffer);
  const uint32_t bodySize = Load<uint32_t>(base);
  const LV2_URID type = Load<uint32_t>(base + 4);
  if (type != u.atomSequence || u.atomSequence == 0) return;
  // What the sequence claims, bounded by what the buffer can hold.
  const uint64_t end = std::min<uint64_t>(kAtomHeader + uint64_t(bodySize), capacity);
  const uint32_t unit = Load<uint32_t>(base + kAtomHeader);
  // Only a unit that names beats is believed (it leaves no frame to act at); zero, frames and
  // whatever a host left in the field all mean frames, as run()'s stamps always are.
  if (unit != 0 && (unit == u.unitsBeat || unit == u.atomBeatTime)) return;
  const int lastFrame = frames > 0 ? frames - 1 : 0;

  uint64_t offset = kSequenceHeader;
  while (offset + kEventHeader <= end) {
    const int64_t time = Load<int64_t>(base + offset);
    const uint32_t size = Load<uint32_t>(base + offset + 8);
    const LV2_URID eventType = Load<uint32_t>(base + offset + 12);
    const uint64_t bodyAt = offset + kEventHeader;
    if (size > end - bodyAt) return;  // truncated: the event runs past the sequence
    const uint8_t* body = base + bodyAt;
    const int frame = time < 0 ? 0 : (time > lastFrame ? lastFrame : int(time));

    if (eventType == u.midiEvent && u.midiEvent != 0) {
      MidiMessage message;
      if (ReadMidi(body, size, message)) {
        message.offset = frame;
        sink.Midi(message);
      }
    } else if ((eventType == u.atomObject || eventType == u.atomBlank) && eventType != 0 &&
               size >= kObjectBodyHeader && Load<uint32_t>(body + 4) == u.timePosition &&
               u.timePosition != 0) {
      Lv2TimePosition position;
      ReadPosition(u, body, size, position);
      sink.Position(frame, position);
    }
    offset = bodyAt + Padded(size);
  }
}

}  // namespace fluvia
