#pragma once
// Something fluvia-render can play: the instrument linked in, or a plug-in module loaded
// through its format's interfaces.

#include <string>

namespace fluvia::render {

class Player {
 public:
  virtual ~Player() = default;

  // Prepares processing at the rate and maximum block size; false with a reason on failure.
  virtual bool Prepare(double sampleRate, int maxBlockSize, std::string& error) = 0;
  // Sets a parameter by its name to a real (unnormalised) value.
  virtual bool SetParameter(const std::string& name, double value, std::string& error) = 0;
  // Note events for the next Process call, at a frame offset inside that block.
  virtual void NoteOn(int note, int velocity, int offset) = 0;
  virtual void NoteOff(int note, int offset) = 0;
  // Renders one block of at most the maximum block size into two channels.
  virtual void Process(float* left, float* right, int frames) = 0;
};

}  // namespace fluvia::render
