// Test support: sequences of timed MIDI messages and parameter points, played through any
// format at any block size. Each format's test supplies a TimedSink that hands one block's
// events to the plug-in its own way and renders the block; PlayScenario cuts the stream into
// blocks and gives every event to the block holding its frame, at its offset there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fluvia {
namespace test_support {

struct TimedEvent {
  enum class Kind { Midi, Param };
  long frame = 0;  // from the start of the stream
  Kind kind = Kind::Midi;
  uint8_t status = 0, data1 = 0, data2 = 0;  // Midi
  int param = 0;                             // Param: index
  double normalised = 0.0;                   // Param: value
};

struct TimedScenario {
  std::string name;
  std::vector<TimedEvent> events;  // in the order the host delivers them
  long frames = 0;                 // length of the stream
};

// The scenarios every format plays (48 kHz; the fading knob at 0 so short notes speak at
// once): notes on and off inside one block, legato, velocity 0, controllers 7, 64 and 123
// mid-block, several points of one parameter, events on the last frame of a block and just
// beyond it, events at one frame in both orders.
std::vector<TimedScenario> TimedScenarios();

// The block sizes at which the output must not change.
const std::vector<int>& InvariantBlockSizes();

class TimedSink {
 public:
  virtual ~TimedSink() = default;
  virtual void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) = 0;
  virtual void Param(int index, double normalised, int offset) = 0;
  // Renders `frames` frames into the two channels.
  virtual void Render(double* left, double* right, int frames) = 0;
};

struct StereoSamples {
  std::vector<double> left, right;
  bool operator==(const StereoSamples& other) const {
    return left == other.left && right == other.right;
  }
};

StereoSamples PlayScenario(const TimedScenario& scenario, int blockSize, TimedSink& sink);

// The first frame at which two renderings differ, or -1 when they are identical.
long FirstDifference(const StereoSamples& a, const StereoSamples& b);

}  // namespace test_support
}  // namespace fluvia
