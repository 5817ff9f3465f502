#pragma once
// The editor's parameter edits on their way to a CLAP host. A CLAP plug-in may hand the host
// parameter events only from inside process() or params.flush(), so the editor (on the host's
// main thread) queues them here and the next of those calls passes them on. One thread
// pushes (the editor's) and one pops (whichever of process and flush runs; the host never runs
// both at once); storage is fixed at construction, so neither side allocates or waits.

#include <atomic>
#include <cstdint>
#include <vector>

namespace fluvia {

struct ParamEdit {
  enum class Kind : uint8_t { Begin, Value, End };
  Kind kind = Kind::Value;
  int32_t index = 0;
  double value = 0.0;  // plain value, for Kind::Value
};

class EditQueue {
 public:
  // Begins and ends may use the last kReservedForGestures slots, values may not: however
  // full the queue gets, every gesture the editor starts is also ended.
  static constexpr int kReservedForGestures = 16;

  explicit EditQueue(int capacity);

  // False when the edit had no room (it is dropped).
  bool Push(const ParamEdit& edit);
  // The oldest edit, without removing it; false when there is none.
  bool Peek(ParamEdit& edit) const;
  void Pop();
  bool Empty() const;
  int Size() const;

 private:
  std::vector<ParamEdit> slots_;
  std::atomic<uint32_t> head_{0};  // next slot to read, advanced by the consumer
  std::atomic<uint32_t> tail_{0};  // next slot to write, advanced by the producer
};

}  // namespace fluvia
