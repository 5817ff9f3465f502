#pragma once
// TimedMidiQueue: MIDI messages on their way from one producer thread (the MIDI input's, or the
// window's) to the audio thread, each stamped with the moment it arrived. A fixed ring of
// atomically handed-over slots: neither side allocates, locks or waits, and a message that
// finds the ring full is dropped (and counted) rather than holding up its producer.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "framework/plugin_types.h"

namespace fluvia::app {

struct TimedMidi {
  MidiMessage message;
  int64_t arrivalNs = 0;  // steady clock, nanoseconds
};

class TimedMidiQueue {
 public:
  static constexpr std::size_t kCapacity = 1024;  // a power of two

  // Producer side. False when the ring is full (the message is dropped).
  bool Push(const TimedMidi& event) {
    const uint32_t back = back_.load(std::memory_order_relaxed);
    if (back - front_.load(std::memory_order_acquire) >= kCapacity) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    slots_[back & (kCapacity - 1)] = event;
    back_.store(back + 1, std::memory_order_release);
    return true;
  }

  // Consumer side. False when nothing is waiting.
  bool Pop(TimedMidi& event) {
    const uint32_t front = front_.load(std::memory_order_relaxed);
    if (front == back_.load(std::memory_order_acquire)) return false;
    event = slots_[front & (kCapacity - 1)];
    front_.store(front + 1, std::memory_order_release);
    return true;
  }

  uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  std::array<TimedMidi, kCapacity> slots_{};
  std::atomic<uint32_t> front_{0};
  std::atomic<uint32_t> back_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace fluvia::app
