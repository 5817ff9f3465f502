#pragma once
// Plays the Fluvia instrument linked into the tool, driven the way a host adapter drives it:
// MIDI through ProcessMidi, audio through the plug-in base's 32-bit buffer path.

#include <memory>
#include <string>

#include "instrument/fluvia.h"
#include "tools/render/player.h"

namespace fluvia::render {

class InstrumentPlayer : public Player {
 public:
  InstrumentPlayer();
  bool Prepare(double sampleRate, int maxBlockSize, std::string& error) override;
  bool SetParameter(const std::string& name, double value, std::string& error) override;
  void NoteOn(int note, int velocity, int offset) override;
  void NoteOff(int note, int offset) override;
  void Process(float* left, float* right, int frames) override;

  Fluvia& Instrument() { return *instrument_; }

 private:
  std::unique_ptr<Fluvia> instrument_;
};

}  // namespace fluvia::render
