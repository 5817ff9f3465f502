#include "framework/deferred_commands.h"

namespace fluvia {

// Each cell's sequence tells whose turn it is: equal to a position, the cell is free for the
// producer of that position; one more, it holds that position's command for the consumer.
DeferredCommandQueue::DeferredCommandQueue() {
  for (uint32_t i = 0; i < kCapacity; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
}

bool DeferredCommandQueue::Push(const DeferredCommand& command) {
  uint32_t position = enqueue_.load(std::memory_order_relaxed);
  for (;;) {
    Cell& cell = cells_[position & (kCapacity - 1)];
    const uint32_t sequence = cell.sequence.load(std::memory_order_acquire);
    const int32_t turn = int32_t(sequence - position);
    if (turn == 0) {
      // Another producer may take this position first; then try the next one.
      if (enqueue_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
        cell.command = command;
        cell.sequence.store(position + 1, std::memory_order_release);
        return true;
      }
    } else if (turn < 0) {
      dropped_.fetch_add(1, std::memory_order_relaxed);  // full
      return false;
    } else {
      position = enqueue_.load(std::memory_order_relaxed);
    }
  }
}

bool DeferredCommandQueue::Pop(DeferredCommand& command) {
  const uint32_t position = dequeue_.load(std::memory_order_relaxed);
  Cell& cell = cells_[position & (kCapacity - 1)];
  if (cell.sequence.load(std::memory_order_acquire) != position + 1) return false;
  command = cell.command;
  cell.sequence.store(position + kCapacity, std::memory_order_release);
  dequeue_.store(position + 1, std::memory_order_relaxed);
  return true;
}

bool DeferredCommandQueue::Empty() const {
  const uint32_t position = dequeue_.load(std::memory_order_relaxed);
  return cells_[position & (kCapacity - 1)].sequence.load(std::memory_order_acquire) !=
         position + 1;
}

}  // namespace fluvia
