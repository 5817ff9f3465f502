#include "tools/render/vst2_player.h"

#include <algorithm>
#include <cstdio>

#include "engine/engine_params.h"
#include "instrument/param_presentation.h"

namespace fluvia::render {

std::unique_ptr<Vst2Player> Vst2Player::Load(const std::string& path, std::string& error) {
  std::unique_ptr<Vst2Player> player(new Vst2Player);
  player->module_ = vst2host::Vst2Module::Load(path, error);
  if (!player->module_) return nullptr;
  player->instance_ = vst2host::Vst2Instance::Create(*player->module_, error);
  if (!player->instance_) return nullptr;
  player->instance_->SetProductString("fluvia-render");
  // A renderer runs off-line: plug-ins that ask may use their best quality.
  player->instance_->SetProcessLevel(vst2::kProcessLevelOffline);
  return player;
}

Vst2Player::~Vst2Player() { instance_.reset(); }

bool Vst2Player::Prepare(double sampleRate, int maxBlockSize, std::string& error) {
  const vst2::Effect* effect = instance_->Effect();
  if (effect->numOutputs < 1 || effect->numInputs < 0) {
    error = "the plug-in has no audio outputs";
    return false;
  }
  if (!effect->processReplacing) {
    error = "the plug-in cannot process with replacement";
    return false;
  }
  // The transport a host would report: stopped at the start, at the usual 120 beats per
  // minute in 4/4.
  vst2::TimeInfo time{};
  time.sampleRate = sampleRate;
  time.tempo = 120.0;
  time.timeSigNumerator = 4;
  time.timeSigDenominator = 4;
  time.flags = vst2::kTempoValid | vst2::kTimeSigValid;
  instance_->SetTime(time);
  instance_->Start(sampleRate, maxBlockSize);
  inputs_.assign(size_t(effect->numInputs), std::vector<float>(size_t(maxBlockSize), 0.0f));
  extraOutputs_.assign(size_t(std::max(effect->numOutputs - 2, 0)),
                       std::vector<float>(size_t(maxBlockSize), 0.0f));
  inputPointers_.clear();
  for (auto& input : inputs_) inputPointers_.push_back(input.data());
  outputPointers_.assign(size_t(effect->numOutputs), nullptr);
  for (size_t c = 2; c < outputPointers_.size(); ++c) {
    outputPointers_[c] = extraOutputs_[c - 2].data();
  }
  return true;
}

bool Vst2Player::SetParameter(const std::string& name, double value, std::string& error) {
  // Fluvia lists its knobs by their labels; the names scripts use are translated.
  int index = instance_->FindParameter(std::string(HostParamName(name)));
  if (index < 0) index = instance_->FindParameter(name);
  if (index < 0) {
    error = "the plug-in has no parameter named '" + name + "'";
    return false;
  }
  // A Fluvia parameter takes its host value, the real value on the instrument's range (a
  // typed text would be read in the unit the knob shows, "0.5" as half a percent).
  for (int i = 0; i < kEngineParamCount; ++i) {
    const EngineParamRow& row = EngineParamTableRow(i);
    if (name != row.name && name != HostParamName(row.name)) continue;
    const double range = std::max(row.maximum - row.minimum, 0.00001);
    instance_->SetParameter(index, float(std::clamp((value - row.minimum) / range, 0.0, 1.0)));
    return true;
  }
  char text[64];
  std::snprintf(text, sizeof(text), "%.17g", value);
  if (instance_->Dispatch(vst2::kString2Parameter, index, 0, text) != 1) {
    error = "the plug-in does not take '" + std::string(text) + "' for " + name;
    return false;
  }
  return true;
}

void Vst2Player::NoteOn(int note, int velocity, int offset) {
  vst2host::SentMidi message;
  message.deltaFrames = offset;
  message.bytes[0] = 0x90;
  message.bytes[1] = uint8_t(std::clamp(note, 0, 127));
  message.bytes[2] = uint8_t(std::clamp(velocity, 0, 127));
  pending_.push_back(message);
}

void Vst2Player::NoteOff(int note, int offset) {
  vst2host::SentMidi message;
  message.deltaFrames = offset;
  message.bytes[0] = 0x80;
  message.bytes[1] = uint8_t(std::clamp(note, 0, 127));
  pending_.push_back(message);
}

void Vst2Player::Process(float* left, float* right, int frames) {
  if (!pending_.empty()) {
    instance_->SendMidi(pending_);
    pending_.clear();
  }
  outputPointers_[0] = left;
  if (outputPointers_.size() > 1) outputPointers_[1] = right;
  instance_->ProcessReplacing(inputPointers_.data(), outputPointers_.data(), frames);
  // A mono plug-in plays on both sides.
  if (outputPointers_.size() == 1) std::copy(left, left + frames, right);
}

std::unique_ptr<Player> MakeVst2Player(const std::string& path, std::string& error) {
  return Vst2Player::Load(path, error);
}

}  // namespace fluvia::render
