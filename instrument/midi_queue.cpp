#include "instrument/midi_queue.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace fluvia {
namespace {

// Storage is sized in whole 4096-byte pages of 512 messages.
constexpr int kPageEntries = 512;

int RoundUpToPage(int entries) {
  if (entries <= 0) return 0;
  return int((int64_t(entries) + kPageEntries - 1) / kPageEntries * kPageEntries);
}

}  // namespace

MidiQueue::MidiQueue(int capacity, int growthStep)
    : buffer_(size_t(std::max(capacity, 0))),
      capacity_(std::max(capacity, 0)),
      growthStep_(std::max(growthStep, 0)) {}

void MidiQueue::Compact() {
  if (front_ == 0) return;
  std::copy(buffer_.begin() + front_, buffer_.begin() + back_, buffer_.begin());
  back_ -= front_;
  front_ = 0;
}

void MidiQueue::Add(const MidiMessage& message) {
  if (back_ >= capacity_) {
    if (front_ > 0) {
      Compact();
    } else {
      if (growthStep_ <= 0) return;
      const int64_t grown = int64_t(growthStep_) * (capacity_ / growthStep_ + 1);
      if (grown > INT32_MAX / int(sizeof(MidiMessage))) return;
      try {
        buffer_.resize(size_t(grown));
      } catch (const std::bad_alloc&) {
        return;  // a burst beyond what memory allows is dropped, never fatal
      }
      capacity_ = int(grown);
    }
  }
  int insertAt = back_;
  if (!Empty() && message.offset < buffer_[size_t(back_ - 1)].offset) {
    int i = back_ - 1;
    while (i >= front_ && message.offset < buffer_[size_t(i)].offset) --i;
    insertAt = i + 1;
    std::copy_backward(buffer_.begin() + insertAt, buffer_.begin() + back_,
                       buffer_.begin() + back_ + 1);
  }
  buffer_[size_t(insertAt)] = message;
  ++back_;
}

int MidiQueue::NextOffsetAfter(int frame, int limit) const {
  for (int i = front_; i < back_; ++i) {
    const int offset = buffer_[size_t(i)].offset;
    if (offset > frame) return std::min(offset, limit);
  }
  return limit;
}

void MidiQueue::Flush(int frames) {
  Compact();
  for (int i = 0; i < back_; ++i) buffer_[size_t(i)].offset -= frames;
}

void MidiQueue::Resize(int frames) {
  Compact();
  // The growth step follows the block size but never drops to 0: a queue that could not
  // grow would silently lose every message beyond its capacity.
  growthStep_ = std::max(RoundUpToPage(frames), kPageEntries);
  int wanted = std::max(growthStep_, kMinCapacity);
  if (wanted < back_) wanted = RoundUpToPage(back_);
  if (wanted == capacity_) return;
  try {
    buffer_.resize(size_t(wanted));
    buffer_.shrink_to_fit();
  } catch (const std::bad_alloc&) {
    return;  // keep the old buffer and capacity
  }
  capacity_ = wanted;
}

}  // namespace fluvia
