#pragma once
// Pending MIDI messages of the instrument, kept sorted by frame offset (equal offsets keep
// their arrival order). Storage holds at least kMinCapacity messages (more for long blocks)
// and grows only when a burst exceeds that, so ordinary streams, even an event at every
// frame of a block, never allocate on the audio thread.

#include <cstddef>
#include <vector>

#include "framework/plugin_types.h"

namespace fluvia {

class MidiQueue {
 public:
  static constexpr int kMinCapacity = 4096;
  MidiQueue(int capacity, int growthStep);

  // Inserts in offset order; a message that cannot be stored (no growth possible) is dropped.
  void Add(const MidiMessage& message);
  bool Empty() const { return front_ >= back_; }
  int Size() const { return back_ - front_; }
  const MidiMessage& Front() const { return buffer_[std::size_t(front_)]; }
  void Remove() { ++front_; }
  // The offset of the first pending message after `frame`, or `limit` if none comes before.
  int NextOffsetAfter(int frame, int limit) const;
  // Moves the pending messages to the start and makes their offsets relative to the next
  // block.
  void Flush(int frames);
  // Sizes the storage for a host block of the given number of frames: a page of messages
  // per 512 frames, and never fewer than kMinCapacity.
  void Resize(int frames);
  int Capacity() const { return capacity_; }
  int GrowthStep() const { return growthStep_; }

 private:
  void Compact();

  std::vector<MidiMessage> buffer_;
  int capacity_;
  int growthStep_;
  int front_ = 0;
  int back_ = 0;
};

}  // namespace fluvia
