#pragma once
// Reads the plug-in's atom sequence input: MIDI messages and the host's time position, each at
// its frame. The reader trusts nothing in the buffer: it reads at most the given number of
// bytes, stops at the first event that does not fit, and skips events of types it does not
// know, MIDI that is not a channel message, and position objects with damaged properties.

#include <cstdint>

#include "framework/plugin_types.h"
#include "lv2/urid/urid.h"

namespace fluvia {

// The URIDs the reader compares against, mapped once when the plug-in is instantiated.
struct Lv2EventUrids {
  LV2_URID atomSequence = 0;
  LV2_URID atomObject = 0;
  LV2_URID atomBlank = 0;
  LV2_URID atomFloat = 0;
  LV2_URID atomDouble = 0;
  LV2_URID atomInt = 0;
  LV2_URID atomLong = 0;
  LV2_URID atomBeatTime = 0;
  LV2_URID unitsBeat = 0;
  LV2_URID midiEvent = 0;
  LV2_URID timePosition = 0;
  LV2_URID timeFrame = 0;
  LV2_URID timeSpeed = 0;
  LV2_URID timeBeatsPerMinute = 0;
  LV2_URID timeBar = 0;
  LV2_URID timeBarBeat = 0;
  LV2_URID timeBeat = 0;
  LV2_URID timeBeatsPerBar = 0;
  LV2_URID timeBeatUnit = 0;

  static Lv2EventUrids Map(const LV2_URID_Map& map);
};

// The fields of one time:Position object; each is valid only when its flag is set. Values are
// finite (the reader drops others).
struct Lv2TimePosition {
  bool hasFrame = false, hasSpeed = false, hasTempo = false, hasBar = false,
       hasBarBeat = false, hasBeat = false, hasBeatsPerBar = false, hasBeatUnit = false;
  double frame = 0.0;
  double speed = 0.0;
  double tempo = 0.0;
  double bar = 0.0;
  double barBeat = 0.0;
  double beat = 0.0;
  double beatsPerBar = 0.0;
  double beatUnit = 0.0;
};

class Lv2EventSink {
 public:
  virtual ~Lv2EventSink() = default;
  virtual void Midi(const MidiMessage& message) = 0;
  virtual void Position(int frame, const Lv2TimePosition& position) = 0;
};

// Reads the sequence at `buffer` (an LV2_Atom_Sequence), never touching more than `capacity`
// bytes from its start. Frames are clamped into the block [0, frames - 1], so an event the
// host stamped outside the block acts at its nearest frame. A null buffer, a buffer that holds
// no sequence, or a sequence whose unit names beats yields nothing. Any other unit counts as
// frames: the stamps of run()'s input are audio frames, and hosts leave the field unwritten
// (Ardour 7.3 never sets it, so some of its buffers hold whatever that memory held before).
void ReadLv2Events(const void* buffer, uint32_t capacity, const Lv2EventUrids& urids,
                   int frames, Lv2EventSink& sink);

}  // namespace fluvia
