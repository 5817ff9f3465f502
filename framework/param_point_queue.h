#pragma once
// The parameter changes a host delivers with a block, each stamped with the frame at which it
// takes effect. Kept sorted by frame (equal frames keep their arrival order) in storage fixed
// at construction, so queueing never allocates on the audio thread.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fluvia {

struct ParamPoint {
  int32_t offset = 0;  // frame inside the current block
  int32_t index = 0;   // parameter index
  double normalised = 0.0;
};

class ParamPointQueue {
 public:
  explicit ParamPointQueue(int capacity);

  // Inserts in frame order; offsets below zero count as frame 0. A second point of the same
  // parameter at the same frame replaces the first: of several points at one frame only the
  // last counts. When the queue is full the point replaces the value of the latest queued
  // point of its parameter, so the host's final value still arrives; a point of a parameter
  // with nothing queued is dropped then.
  void Add(const ParamPoint& point);

  bool Empty() const { return front_ >= back_; }
  int Size() const { return back_ - front_; }
  int Capacity() const { return int(buffer_.size()); }
  const ParamPoint& Front() const { return buffer_[std::size_t(front_)]; }
  void Remove() { ++front_; }
  // The frame of the first pending point after `frame`, or `limit` if there is none before.
  int NextOffsetAfter(int frame, int limit) const;
  // Makes the pending offsets relative to a position `frames` later.
  void Flush(int frames);
  void Clear() { front_ = back_ = 0; }

 private:
  std::vector<ParamPoint> buffer_;
  int front_ = 0;
  int back_ = 0;
};

}  // namespace fluvia
