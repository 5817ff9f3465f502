#include "framework/param_point_queue.h"

#include <algorithm>

namespace fluvia {

ParamPointQueue::ParamPointQueue(int capacity) : buffer_(size_t(std::max(capacity, 1))) {}

void ParamPointQueue::Add(const ParamPoint& given) {
  ParamPoint point = given;
  point.offset = std::max(point.offset, 0);

  // The point belongs after every queued point at its frame or before it.
  int last = back_ - 1;
  while (last >= front_ && point.offset < buffer_[size_t(last)].offset) --last;
  for (int k = last; k >= front_ && buffer_[size_t(k)].offset == point.offset; --k) {
    if (buffer_[size_t(k)].index == point.index) {
      buffer_[size_t(k)].normalised = point.normalised;
      return;
    }
  }

  if (back_ >= Capacity() && front_ > 0) {
    std::copy(buffer_.begin() + front_, buffer_.begin() + back_, buffer_.begin());
    last -= front_;
    back_ -= front_;
    front_ = 0;
  }
  if (back_ >= Capacity()) {
    for (int k = back_ - 1; k >= front_; --k) {
      if (buffer_[size_t(k)].index == point.index) {
        buffer_[size_t(k)].normalised = point.normalised;
        return;
      }
    }
    return;
  }
  const int insertAt = last + 1;
  std::copy_backward(buffer_.begin() + insertAt, buffer_.begin() + back_,
                     buffer_.begin() + back_ + 1);
  buffer_[size_t(insertAt)] = point;
  ++back_;
}

int ParamPointQueue::NextOffsetAfter(int frame, int limit) const {
  for (int i = front_; i < back_; ++i) {
    const int offset = buffer_[size_t(i)].offset;
    if (offset > frame) return std::min(offset, limit);
  }
  return limit;
}

void ParamPointQueue::Flush(int frames) {
  for (int i = front_; i < back_; ++i) buffer_[size_t(i)].offset -= frames;
}

}  // namespace fluvia
