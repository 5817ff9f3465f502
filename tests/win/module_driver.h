#pragma once
// What the module check needs of a loaded plug-in, whatever its format: parameters by name,
// notes, blocks at either sample size, and the state a host would save.

#include <cstdint>
#include <string>
#include <vector>

namespace fluvia::modulecheck {

class ModuleDriver {
 public:
  virtual ~ModuleDriver() = default;
  // Prepares processing at the rate, with blocks of at most maxBlock frames.
  virtual bool Start(double sampleRate, int maxBlock, bool doubles, std::string& error) = 0;
  // A plain (not normalised) value, heard from the next block on as host automation.
  virtual bool SetParameter(const std::string& name, double value) = 0;
  virtual void NoteOn(int note, int velocity, int offset) = 0;
  virtual void NoteOff(int note, int offset) = 0;
  // One block into two channels; the events and changes given since the last block go with it.
  virtual void Process(float* left, float* right, int frames) = 0;
  virtual void Process(double* left, double* right, int frames) = 0;
  virtual bool SaveState(std::vector<std::uint8_t>& state) = 0;
  virtual bool LoadState(const std::vector<std::uint8_t>& state) = 0;
};

}  // namespace fluvia::modulecheck
