#include "adapters/clap/edit_queue.h"

#include <cstddef>

namespace fluvia {

namespace {

// A power of two, so that the free-running positions map onto slots across their wrap-around.
std::size_t SlotCount(int capacity) {
  std::size_t count = 2 * std::size_t(EditQueue::kReservedForGestures);
  while (count < std::size_t(capacity > 0 ? capacity : 0)) count *= 2;
  return count;
}

}  // namespace

EditQueue::EditQueue(int capacity) : slots_(SlotCount(capacity)) {}

bool EditQueue::Push(const ParamEdit& edit) {
  const uint32_t tail = tail_.load(std::memory_order_relaxed);
  const uint32_t used = tail - head_.load(std::memory_order_acquire);
  uint32_t room = uint32_t(slots_.size()) - used;
  if (edit.kind == ParamEdit::Kind::Value) {
    room = room > uint32_t(kReservedForGestures) ? room - uint32_t(kReservedForGestures) : 0;
  }
  if (room == 0) return false;
  slots_[tail & (slots_.size() - 1)] = edit;
  tail_.store(tail + 1, std::memory_order_release);
  return true;
}

bool EditQueue::Peek(ParamEdit& edit) const {
  const uint32_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_acquire)) return false;
  edit = slots_[head & (slots_.size() - 1)];
  return true;
}

void EditQueue::Pop() {
  const uint32_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_acquire)) return;
  head_.store(head + 1, std::memory_order_release);
}

bool EditQueue::Empty() const {
  return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
}

int EditQueue::Size() const {
  return int(tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire));
}

}  // namespace fluvia
