#include "tools/render/vst3_player.h"

#include <algorithm>

#include "instrument/param_presentation.h"
#include "tools/render/parameter_names.h"

namespace fluvia::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::unique_ptr<Vst3Player> Vst3Player::Load(const std::string& bundle, std::string& error) {
  std::unique_ptr<Vst3Player> player(new Vst3Player);
  player->module_ = vst3host::Vst3Module::Load(bundle, error);
  if (!player->module_) return nullptr;
  player->plugin_ = vst3host::Vst3Plugin::Create(*player->module_, player->host_, error);
  if (!player->plugin_) return nullptr;
  return player;
}

Vst3Player::~Vst3Player() { plugin_.reset(); }

bool Vst3Player::Prepare(double sampleRate, int maxBlockSize, std::string& error) {
  // A render to a file, which must repeat exactly: offline, as a host bouncing a project.
  return plugin_->Start(sampleRate, maxBlockSize, kSample32, error, Steinberg::Vst::kOffline);
}

bool Vst3Player::SetParameter(const std::string& name, double value, std::string& error) {
  // Fluvia lists its knobs by their labels; the names scripts use are translated.
  ParamID id = 0;
  if (!plugin_->FindParameter(std::string(HostParamName(name)), id) &&
      !plugin_->FindParameter(name, id)) {
    error = "the plug-in has no parameter named '" + name + "'; the parameters are " +
            ParameterNames();
    return false;
  }
  // The controller maps (and clamps) the real value; the processor hears it with the next
  // block, as it would hear a host's automation.
  const ParamValue normalised = plugin_->Controller()->plainParamToNormalized(id, value);
  plugin_->Controller()->setParamNormalized(id, normalised);
  if (!plugin_->Changes().Add(id, 0, normalised)) {
    error = "too many parameter changes before the first block";
    return false;
  }
  return true;
}

void Vst3Player::NoteOn(int note, int velocity, int offset) {
  plugin_->Events().NoteOn(note, float(std::clamp(velocity, 0, 127)) / 127.0f, offset);
}

void Vst3Player::NoteOff(int note, int offset) { plugin_->Events().NoteOff(note, offset); }

void Vst3Player::Process(float* left, float* right, int frames) {
  plugin_->Process(left, right, frames);
  plugin_->Events().Clear();
  plugin_->Changes().Clear();
}

std::unique_ptr<Player> MakeVst3Player(const std::string& bundle, std::string& error) {
  return Vst3Player::Load(bundle, error);
}

}  // namespace fluvia::render
