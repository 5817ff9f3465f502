#include "framework/latency_delay_line.h"

#include <algorithm>
#include <cstdint>

namespace fluvia {

void LatencyDelayLine::SetDelay(int frames) {
  delay_ = std::max(frames, 0);
  buffer_.assign(size_t(inputs_) * size_t(delay_), 0.0);
  writePosition_ = 0;
}

void LatencyDelayLine::Process(double* const* inputs, double* const* outputs, int frames) {
  const int shared = std::min(inputs_, outputs_);
  for (int c = 0; c < outputs_; ++c) {
    if (!outputs[c]) continue;
    if (c >= shared || !inputs[c]) {
      std::fill(outputs[c], outputs[c] + frames, 0.0);
      continue;
    }
    if (delay_ == 0) {
      std::copy(inputs[c], inputs[c] + frames, outputs[c]);
      continue;
    }
    double* ring = buffer_.data() + size_t(c) * size_t(delay_);
    int position = writePosition_;
    for (int i = 0; i < frames; ++i) {
      const double delayed = ring[position];
      ring[position] = inputs[c][i];
      outputs[c][i] = delayed;
      if (++position == delay_) position = 0;
    }
  }
  if (delay_ > 0) writePosition_ = int((writePosition_ + int64_t(frames)) % delay_);
}

}  // namespace fluvia
