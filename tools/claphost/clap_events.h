#pragma once
// The event lists a CLAP host hands a plug-in: an input list built before a block (notes,
// MIDI, parameter values, or any raw bytes) and an output list that records what the plug-in
// pushes. Storage is reserved up front, so a block allocates nothing on either side.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adapters/clap/clap_abi.h"

namespace fluvia::claphost {

class InputEventList {
 public:
  explicit InputEventList(size_t capacityBytes = 1 << 16);
  InputEventList(const InputEventList&) = delete;
  InputEventList& operator=(const InputEventList&) = delete;

  void NoteOn(int key, double velocity, uint32_t time, int channel = 0);
  void NoteOff(int key, uint32_t time, int channel = 0);
  void NoteChoke(int key, uint32_t time, int channel = 0);
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t time);
  void ParamValue(clap::Id id, double value, uint32_t time);
  // Any event, copied as given (its header's size need not be its true size).
  void Add(const void* event, size_t bytes);
  void Clear();
  size_t Count() const { return offsets_.size(); }

  const clap::InputEvents* List() const { return &list_; }

 private:
  std::vector<uint64_t> storage_;  // 8-byte aligned bytes
  size_t used_ = 0;
  std::vector<size_t> offsets_;
  clap::InputEvents list_{};
};

// One event the plug-in pushed.
struct OutputEvent {
  uint16_t type = 0;
  uint32_t time = 0;
  clap::Id paramId = clap::kInvalidId;
  double value = 0.0;
};

class OutputEventList {
 public:
  OutputEventList();
  OutputEventList(const OutputEventList&) = delete;
  OutputEventList& operator=(const OutputEventList&) = delete;

  // A host whose queue is full refuses pushes.
  void Refuse(bool refuse) { refuse_ = refuse; }
  void Clear() { events_.clear(); }
  const std::vector<OutputEvent>& Events() const { return events_; }

  const clap::OutputEvents* List() const { return &list_; }

 private:
  std::vector<OutputEvent> events_;
  bool refuse_ = false;
  clap::OutputEvents list_{};
};

}  // namespace fluvia::claphost
