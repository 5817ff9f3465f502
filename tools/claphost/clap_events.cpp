#include "tools/claphost/clap_events.h"

#include <cstring>

namespace fluvia::claphost {

InputEventList::InputEventList(size_t capacityBytes) : storage_((capacityBytes + 7) / 8) {
  offsets_.reserve(capacityBytes / sizeof(clap::EventHeader));
  list_.ctx = this;
  list_.size = [](const clap::InputEvents* list) -> uint32_t {
    return uint32_t(static_cast<const InputEventList*>(list->ctx)->offsets_.size());
  };
  list_.get = [](const clap::InputEvents* list, uint32_t index) -> const clap::EventHeader* {
    const auto* self = static_cast<const InputEventList*>(list->ctx);
    if (index >= self->offsets_.size()) return nullptr;
    const auto* bytes = reinterpret_cast<const uint8_t*>(self->storage_.data());
    return reinterpret_cast<const clap::EventHeader*>(bytes + self->offsets_[index]);
  };
}

void InputEventList::Add(const void* event, size_t bytes) {
  const size_t padded = (bytes + 7) & ~size_t(7);
  if (used_ + padded > storage_.size() * 8) return;  // full: the event is dropped
  std::memcpy(reinterpret_cast<uint8_t*>(storage_.data()) + used_, event, bytes);
  offsets_.push_back(used_);
  used_ += padded;
}

void InputEventList::Clear() {
  offsets_.clear();
  used_ = 0;
}

namespace {

clap::EventNote Note(uint16_t type, int key, double velocity, uint32_t time, int channel) {
  clap::EventNote note{};
  note.header = {sizeof(note), time, clap::kCoreEventSpace, type, 0};
  note.noteId = -1;
  note.portIndex = 0;
  note.channel = int16_t(channel);
  note.key = int16_t(key);
  note.velocity = velocity;
  return note;
}

}  // namespace

void InputEventList::NoteOn(int key, double velocity, uint32_t time, int channel) {
  const clap::EventNote note = Note(clap::kEventNoteOn, key, velocity, time, channel);
  Add(&note, sizeof note);
}

void InputEventList::NoteOff(int key, uint32_t time, int channel) {
  const clap::EventNote note = Note(clap::kEventNoteOff, key, 0.0, time, channel);
  Add(&note, sizeof note);
}

void InputEventList::NoteChoke(int key, uint32_t time, int channel) {
  const clap::EventNote note = Note(clap::kEventNoteChoke, key, 0.0, time, channel);
  Add(&note, sizeof note);
}

void InputEventList::Midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t time) {
  clap::EventMidi midi{};
  midi.header = {sizeof(midi), time, clap::kCoreEventSpace, clap::kEventMidi, 0};
  midi.portIndex = 0;
  midi.data[0] = status;
  midi.data[1] = data1;
  midi.data[2] = data2;
  Add(&midi, sizeof midi);
}

void InputEventList::ParamValue(clap::Id id, double value, uint32_t time) {
  clap::EventParamValue event{};
  event.header = {sizeof(event), time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
  event.paramId = id;
  event.noteId = -1;
  event.portIndex = -1;
  event.channel = -1;
  event.key = -1;
  event.value = value;
  Add(&event, sizeof event);
}

OutputEventList::OutputEventList() {
  events_.reserve(1 << 14);
  list_.ctx = this;
  list_.tryPush = [](const clap::OutputEvents* list, const clap::EventHeader* header) {
    auto* self = static_cast<OutputEventList*>(list->ctx);
    if (self->refuse_ || !header) return false;
    OutputEvent event;
    event.type = header->type;
    event.time = header->time;
    if (header->type == clap::kEventParamValue && header->size >= sizeof(clap::EventParamValue)) {
      const auto* value = reinterpret_cast<const clap::EventParamValue*>(header);
      event.paramId = value->paramId;
      event.value = value->value;
    } else if ((header->type == clap::kEventParamGestureBegin ||
                header->type == clap::kEventParamGestureEnd) &&
               header->size >= sizeof(clap::EventParamGesture)) {
      event.paramId = reinterpret_cast<const clap::EventParamGesture*>(header)->paramId;
    }
    self->events_.push_back(event);
    return true;
  };
}

}  // namespace fluvia::claphost
