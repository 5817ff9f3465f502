// Internal to the renderer: access to the four delay lines during a block.
#pragma once

#include <cstdint>

#include "engine/delay_line.h"
#include "engine/fast_math.h"

namespace fluvia {
namespace render {

using namespace fastmath;

// Two delay lines that are always written and stepped together, so they share capacity,
// maximum delay and write position; only their memories differ.
//
// Reads use a lower delay bound of 1. The ring's own rule allows 0 while nothing has been
// written since a reset, but then every slot is still zero and any read returns 0 either way;
// the renderer writes and steps every line in every frame, so afterwards the bound is 1.
struct LinePair {
  double* first;
  double* second;
  std::uint32_t mask;
  std::uint32_t capacity;
  std::uint32_t writeIndex;
  double maxDelay;

  // Index and fraction of a read `delay` samples back, exactly as DelayLine::Read forms them.
  void Locate(double delay, std::uint32_t& i0, std::uint32_t& i1, double& f) const {
    double d = Max(delay, 1.0);  // a NaN delay also gives 1
    d = Min(d, maxDelay);
    const double r = static_cast<double>(capacity + writeIndex) - d;
    const std::int32_t i = static_cast<std::int32_t>(r);
    f = r - static_cast<double>(i);
    i0 = static_cast<std::uint32_t>(i) & mask;
    i1 = static_cast<std::uint32_t>(i + 1) & mask;
  }
  static double Interpolate(const double* m, std::uint32_t i0, std::uint32_t i1, double f) {
    const double a = m[i0];
    const double b = m[i1];
    return a + (b - a) * f;
  }
  void WriteAndStep(double toFirst, double toSecond) {
    first[writeIndex] = toFirst;
    second[writeIndex] = toSecond;
    writeIndex = (writeIndex + 1) & mask;
  }
};

// All four lines have memory and each pair is in step (the normal case).
struct PairedLines {
  LinePair resonance;  // first: excitation line, second: resonator line
  LinePair spread;     // first: left spread line, second: right spread line
  // How many of the latest writes to the spread lines were zero (saturating).
  std::int64_t silentSpreadFrames;

  void ReadSpread(double leftDelay, double rightDelay, double& left, double& right) const {
    std::uint32_t i0, i1;
    double f;
    spread.Locate(leftDelay, i0, i1, f);
    left = LinePair::Interpolate(spread.first, i0, i1, f);
    spread.Locate(rightDelay, i0, i1, f);
    right = LinePair::Interpolate(spread.second, i0, i1, f);
  }
  void WriteSpread(double s) { spread.WriteAndStep(s, s); }
};

// Any other case (a line lost its memory to a failed allocation): every access goes through
// the line itself, which reads 0 and ignores writes without memory.
struct GuardedLines {
  DelayLine* excitation;
  DelayLine* resonator;
  DelayLine* left;
  DelayLine* right;

  void ReadResonance(double tap, double& e, double& r) const {
    e = excitation->Read(tap);
    r = resonator->Read(tap);
  }
  void WriteResonance(double y, double held) {
    resonator->Write(y);
    excitation->Write(held);
    resonator->Step();
    excitation->Step();
  }
  void ReadSpread(double leftDelay, double rightDelay, double& l, double& r) const {
    l = left->Read(leftDelay);
    r = right->Read(rightDelay);
  }
  void WriteSpread(double s) {
    right->Write(s);
    left->Write(s);
    right->Step();
    left->Step();
  }
};

inline bool InStep(const DelayLine& a, const DelayLine& b) {
  return a.HasMemory() && b.HasMemory() && a.Capacity() == b.Capacity() &&
         a.MaxDelay() == b.MaxDelay() && a.WriteIndex() == b.WriteIndex() &&
         a.LastWrittenIndex() == b.LastWrittenIndex();
}

inline LinePair MakePair(DelayLine& a, DelayLine& b) {
  const DelayLine::Cursor ca = a.Load();
  const DelayLine::Cursor cb = b.Load();
  return LinePair{ca.memory,
                  cb.memory,
                  static_cast<std::uint32_t>(ca.mask),
                  static_cast<std::uint32_t>(ca.capacity),
                  static_cast<std::uint32_t>(ca.writeIndex),
                  ca.maxDelay};
}

// Hands the pair's position back; the last write went to the slot before the write index.
inline void StorePair(const LinePair& pair, DelayLine& a, DelayLine& b) {
  DelayLine::Cursor c = a.Load();
  c.writeIndex = static_cast<int>(pair.writeIndex);
  c.lastWritten = static_cast<int>((pair.writeIndex - 1) & pair.mask);
  a.Store(c);
  b.Store(c);
}

}  // namespace render
}  // namespace fluvia
