// A plain, slow renderer written directly from the water model's formulas, using the C
// library's pow, sin, cos and tanh and the literal bit tests for the flushes. The engine's
// optimised renderer must stay within a tiny tolerance of it.
#pragma once

#include <cstdint>
#include <vector>

namespace fluvia {
namespace reference {

class ReferenceLine {
 public:
  void Init(int size);
  void DropMemory() { hasMemory_ = false; }  // behaves like a line whose allocation failed
  double Read(double delay) const;
  void Write(double x);
  void Step();

 private:
  std::vector<double> memory_;
  int capacity_ = 0;
  int maxDelay_ = 0;
  int writeIndex_ = 0;
  int lastWritten_ = 0;
  bool hasMemory_ = true;
};

class ReferenceRenderer {
 public:
  explicit ReferenceRenderer(double sampleRate);

  // Values must already be inside the parameter's range.
  void Set(int index, double value) { parameters_[index] = value; }
  // Renders with its own copy of the noise recurrence, advancing `noiseState`.
  void Render(std::uint32_t& noiseState, double* left, double* right, int frames);

  ReferenceLine excitationLine, resonatorLine, leftLine, rightLine;
  int stage = 0;  // 0 idle, 1 attack, 2 sustain, 4 release
  double level = 0.0;

 private:
  double sr_;
  double parameters_[26];
  double risingHistory_ = 0, fallingHistory_ = 0;
  double clock_ = 0, attackStart_ = 0, releaseStart_ = 0, smoothed_ = 0;
  double s1_ = 0, s2_ = 0, s3_ = 0, s4_ = 0;
  double phase_ = 0, previousOffset_ = 0, held_ = 0;
  double lowpass_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

}  // namespace reference
}  // namespace fluvia
