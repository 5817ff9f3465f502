#include "engine/delay_line.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace fluvia {
namespace {

int SmallestPowerOfTwoAtLeast(int n) {
  int p = 2;
  while (p < n) p <<= 1;  // n <= kMaxSize = 2^25, so p cannot overflow
  return p;
}

double* TryAllocateZeroed(int count) { return new (std::nothrow) double[count](); }

}  // namespace

void DelayLine::Reset(int size) {
  if (!sized_) {
    sized_ = true;
    if (size > kMaxSize) {
      std::fputs("warning: constraining [data] to < 256MB\n", stdout);
      size = kMaxSize;
    }
    // A negative size has no meaning as a delay; treating it as 0 keeps every read index
    // inside the ring instead of pointing past the write position.
    maxDelay_ = std::max(size, 0);
    Allocate(SmallestPowerOfTwoAtLeast(std::max(size, 2)));
  } else if (memory_) {
    std::fill(memory_.get(), memory_.get() + capacity_, 0.0);
  }
  writeIndex_ = 0;
  lastWritten_ = 0;
}

void DelayLine::Allocate(int wantedCapacity) {
  // Under memory pressure fall back to smaller rings; a line that ends up smaller than it
  // asked for would alias its delays, so it is left without memory instead.
  int capacity = wantedCapacity;
  double* memory = TryAllocateZeroed(capacity);
  for (const int fallback : {512, 4}) {
    if (memory) break;
    std::fputs("allocating [data]: out of memory\n", stderr);
    capacity = fallback;
    memory = TryAllocateZeroed(capacity);
  }
  if (!memory) {
    std::fputs("allocating [data]: out of memory\n", stderr);
    capacity = 0;
  }
  if (capacity != wantedCapacity) {
    std::fputs("delay memory size error\n", stderr);
    delete[] memory;
    memory = nullptr;
    capacity = 0;
  }
  memory_.reset(memory);
  capacity_ = capacity;
  mask_ = capacity > 0 ? capacity - 1 : 0;
}

double DelayLine::Read(double delay) const {
  if (!memory_) return 0.0;
  return Load().Read(delay);
}

void DelayLine::Write(double x) {
  if (!memory_) return;
  lastWritten_ = writeIndex_;
  memory_[writeIndex_] = x;
}

void DelayLine::Step() {
  if (!memory_) return;
  writeIndex_ = (writeIndex_ + 1) & mask_;
}

DelayLine::Cursor DelayLine::Load() const {
  return Cursor{memory_.get(), mask_,       capacity_, static_cast<double>(maxDelay_),
                writeIndex_,   lastWritten_};
}

void DelayLine::Store(const Cursor& cursor) {
  writeIndex_ = cursor.writeIndex;
  lastWritten_ = cursor.lastWritten;
}

}  // namespace fluvia
