// A fractional delay line on a power-of-two ring buffer (wrapping is a mask). Its memory is
// obtained once, at the first Reset, and never resized, so nothing allocates while rendering.
#pragma once

#include <memory>

namespace fluvia {

class DelayLine {
 public:
  // Largest size a line accepts (256 MB of samples); larger requests are cut to it.
  static constexpr int kMaxSize = 33554432;

  // The line's indices and memory held in locals for one block of a hot loop; Read, Write and
  // Step behave exactly like the DelayLine operations of the same names. Only for a line that
  // has memory. Hand it back with Store() when the block is done.
  struct Cursor {
    double* memory;
    int mask;
    int capacity;
    double maxDelay;
    int writeIndex;
    int lastWritten;

    double Read(double delay) const {
      // Right after a reset nothing has been written, so the slot at the write index may be
      // read; afterwards the newest sample is one step back. (A table instead of a conditional
      // keeps this free of branches in the render loop.)
      static constexpr double kLowerBound[2] = {0.0, 1.0};
      const double lowerBound = kLowerBound[writeIndex != lastWritten];
      double d = delay > lowerBound ? delay : lowerBound;  // also maps NaN to the bound
      d = d < maxDelay ? d : maxDelay;
      const double r = static_cast<double>(capacity + writeIndex) - d;
      const int i = static_cast<int>(r);  // r >= 0, so truncation is floor
      const double f = r - i;
      const double a = memory[i & mask];
      const double b = memory[(i + 1) & mask];
      return a + (b - a) * f;
    }
    void Write(double x) {
      lastWritten = writeIndex;
      memory[writeIndex] = x;
    }
    void Step() { writeIndex = (writeIndex + 1) & mask; }
  };

  DelayLine() = default;
  DelayLine(const DelayLine&) = delete;
  DelayLine& operator=(const DelayLine&) = delete;

  // First call: fixes the maximum delay and capacity and obtains zeroed memory. Later calls
  // only clear the memory and the indices, whatever size they pass.
  void Reset(int size);

  // Linear interpolation `delay` samples back, limited to [1, MaxDelay()] (to [0, MaxDelay()]
  // before the first write). A line without memory reads 0.
  double Read(double delay) const;
  void Write(double x);  // no effect without memory
  void Step();

  int Capacity() const { return capacity_; }  // 0 when the line has no memory
  int MaxDelay() const { return maxDelay_; }
  bool HasMemory() const { return memory_ != nullptr; }
  int WriteIndex() const { return writeIndex_; }
  int LastWrittenIndex() const { return lastWritten_; }
  std::size_t MemoryBytes() const { return static_cast<std::size_t>(capacity_) * sizeof(double); }

  Cursor Load() const;
  void Store(const Cursor& cursor);

 private:
  void Allocate(int wantedCapacity);

  std::unique_ptr<double[]> memory_;
  int capacity_ = 0;
  int mask_ = 0;
  int maxDelay_ = 0;
  int writeIndex_ = 0;
  int lastWritten_ = 0;
  bool sized_ = false;
};

}  // namespace fluvia
