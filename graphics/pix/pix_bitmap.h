#pragma once

#include <cstdint>

namespace fluvia {

// A 32-bit bitmap the editor draws into or copies from. The order of the virtual operations is
// part of the layer's contract (other code may rely on the slot layout), so new operations go
// at the end.
class PixBitmap {
 public:
  virtual ~PixBitmap() = default;

  // First pixel of the top row (of the bottom row when IsFlipped()); null when empty.
  virtual std::uint32_t* Pixels() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Distance between rows, in pixels.
  virtual int RowSpan() const = 0;
  // True when rows are stored bottom-up.
  virtual bool IsFlipped() const = 0;
  // Returns whether anything changed.
  virtual bool Resize(int width, int height) = 0;
  // The platform drawing context (a Windows memory DC); null for memory bitmaps.
  virtual void* DeviceContext() const = 0;
  // Hook for platform extensions; every bitmap of this system answers 0.
  virtual std::intptr_t Extended(unsigned id, void* data) = 0;
};

}  // namespace fluvia
