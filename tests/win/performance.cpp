#include "tests/win/performance.h"

#include <algorithm>
#include <string>

namespace fluvia::modulecheck {
namespace {

constexpr int kTotalFrames = 96000;
constexpr int kBlockSizes[] = {256, 100, 512, 37, 1, 511};

struct Cue {
  int frame;
  enum Kind { Param, On, Off } kind;
  const char* name;  // parameter
  double value;      // parameter value, or note number
  int velocity;
};

const Cue kCues[] = {
    {1000, Cue::On, nullptr, 60, 100},
    {12000, Cue::Param, "ParticlesCollisions", 0.7, 0},
    {20000, Cue::On, nullptr, 67, 80},
    {30000, Cue::Param, "ContainerDamping", 0.5, 0},
    {30000, Cue::Param, "SoundfieldAmt", 0.9, 0},
    {50000, Cue::Off, nullptr, 67, 0},
    {60000, Cue::Off, nullptr, 60, 0},
};

bool Opening(ModuleDriver& driver) {
  return driver.SetParameter("SystemEnergyAmt", 0.6) &&
         driver.SetParameter("ContainerSize", 0.3) && driver.SetParameter("SoundfieldAmt", 0.5) &&
         driver.SetParameter("AmpFadeInOut", 0.2);
}

}  // namespace

bool Perform(ModuleDriver& driver, bool doubles, std::vector<double>& interleaved,
             int presetNumber) {
  const bool opened = presetNumber > 0 ? driver.SetParameter("PresetSelector", presetNumber)
                                       : Opening(driver);
  if (!opened) return false;
  interleaved.assign(size_t(kTotalFrames) * 2, 0.0);
  std::vector<double> left64(kMaxBlock), right64(kMaxBlock);
  std::vector<float> left32(kMaxBlock), right32(kMaxBlock);
  size_t next = 0, sizeIndex = 0;
  for (int start = 0; start < kTotalFrames;) {
    const int frames = std::min(kBlockSizes[sizeIndex++ % std::size(kBlockSizes)],
                                kTotalFrames - start);
    for (; next < std::size(kCues) && kCues[next].frame < start + frames; ++next) {
      const Cue& cue = kCues[next];
      const int offset = cue.frame - start;
      switch (cue.kind) {
        case Cue::Param:
          if (!driver.SetParameter(cue.name, cue.value)) return false;
          break;
        case Cue::On: driver.NoteOn(int(cue.value), cue.velocity, offset); break;
        case Cue::Off: driver.NoteOff(int(cue.value), offset); break;
      }
    }
    if (doubles) {
      driver.Process(left64.data(), right64.data(), frames);
    } else {
      driver.Process(left32.data(), right32.data(), frames);
      std::copy(left32.begin(), left32.begin() + frames, left64.begin());
      std::copy(right32.begin(), right32.begin() + frames, right64.begin());
    }
    for (int i = 0; i < frames; ++i) {
      interleaved[size_t(start + i) * 2] = left64[size_t(i)];
      interleaved[size_t(start + i) * 2 + 1] = right64[size_t(i)];
    }
    start += frames;
  }
  return true;
}

bool PerformOpening(ModuleDriver& driver) {
  if (!Opening(driver)) return false;
  driver.NoteOn(60, 100, 0);
  return true;
}

}  // namespace fluvia::modulecheck
