#pragma once
// Plays a Fluvia.vst3 bundle through the VST3 interfaces, the way a host does: the module is
// loaded, the plug-in created from its factory, parameters found by their titles, notes sent
// as events and audio processed block by block.

#include <memory>
#include <string>

#include "tools/render/player.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::render {

class Vst3Player : public Player {
 public:
  // Null with a reason in error when the bundle cannot be loaded or instantiated.
  static std::unique_ptr<Vst3Player> Load(const std::string& bundle, std::string& error);
  ~Vst3Player() override;

  bool Prepare(double sampleRate, int maxBlockSize, std::string& error) override;
  bool SetParameter(const std::string& name, double value, std::string& error) override;
  void NoteOn(int note, int velocity, int offset) override;
  void NoteOff(int note, int offset) override;
  void Process(float* left, float* right, int frames) override;

 private:
  Vst3Player() = default;

  // Declared in this order so that the plug-in goes before its host objects and its module.
  std::unique_ptr<vst3host::Vst3Module> module_;
  vst3host::HostApplication host_{"fluvia-render"};
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
};

std::unique_ptr<Player> MakeVst3Player(const std::string& bundle, std::string& error);

}  // namespace fluvia::render
