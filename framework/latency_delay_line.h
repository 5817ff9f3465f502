#pragma once
// Passes audio from inputs to outputs delayed by the plug-in's latency, so that a bypassed
// plug-in with latency stays time-aligned with the rest of the host's mix.

#include <vector>

namespace fluvia {

class LatencyDelayLine {
 public:
  LatencyDelayLine(int inputs, int outputs) : inputs_(inputs), outputs_(outputs) {}

  // Resizes the buffer to inputs x frames samples, clears it and sets the delay.
  void SetDelay(int frames);
  int Delay() const { return delay_; }

  // Output channel c receives input channel c delayed; outputs without an input get silence.
  void Process(double* const* inputs, double* const* outputs, int frames);

 private:
  std::vector<double> buffer_;
  int writePosition_ = 0;
  int inputs_;
  int outputs_;
  int delay_ = 0;
};

}  // namespace fluvia
