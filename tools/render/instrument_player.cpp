#include "tools/render/instrument_player.h"

#include <mutex>

#include "tools/render/parameter_names.h"

namespace fluvia::render {

InstrumentPlayer::InstrumentPlayer() : instrument_(std::make_unique<Fluvia>()) {
  instrument_->SetInputChannelConnections(0, instrument_->NumInputs(), true);
  instrument_->SetOutputChannelConnections(0, instrument_->NumOutputs(), true);
}

bool InstrumentPlayer::Prepare(double sampleRate, int maxBlockSize, std::string& /*error*/) {
  instrument_->SetSampleRate(sampleRate);
  instrument_->SetMaxBlockSize(maxBlockSize);
  instrument_->ResetDsp();
  instrument_->ActivationChanged(true);
  return true;
}

bool InstrumentPlayer::SetParameter(const std::string& name, double value, std::string& error) {
  for (int i = 0; i < instrument_->NumParams(); ++i) {
    IParameter* param = instrument_->GetParam(i);
    if (name != param->Name() && name != param->DisplayName()) continue;
    std::lock_guard<std::recursive_mutex> lock(instrument_->Mutex());
    param->SetValue(value);
    instrument_->ParamChanged(i);
    return true;
  }
  error = "no parameter named '" + name + "'; the parameters are " + ParameterNames();
  return false;
}

// The notes and the blocks are this player's audio side, as a host's audio thread is.
void InstrumentPlayer::NoteOn(int note, int velocity, int offset) {
  AudioThreadScope audio(*instrument_);
  instrument_->ProcessMidi({offset, 0x90, uint8_t(note), uint8_t(velocity)});
}

void InstrumentPlayer::NoteOff(int note, int offset) {
  AudioThreadScope audio(*instrument_);
  instrument_->ProcessMidi({offset, 0x80, uint8_t(note), 0});
}

void InstrumentPlayer::Process(float* left, float* right, int frames) {
  AudioThreadScope audio(*instrument_);
  float* outputs[2] = {left, right};
  instrument_->AttachInputBuffers(0, 0, static_cast<const float* const*>(nullptr));
  instrument_->AttachOutputBuffers(0, 2, outputs);
  instrument_->ProcessBuffers(frames);
}

}  // namespace fluvia::render
