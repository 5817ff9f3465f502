#pragma once
// Plays any Linux VST2 module through its entry point, the way a host does: the module is
// loaded, an instance created and started, parameters set by name through the module's
// string-to-parameter opcode, notes sent as MIDI events and audio processed block by block.

#include <memory>
#include <string>
#include <vector>

#include "tools/render/player.h"
#include "tools/vst2host/vst2_host.h"

namespace fluvia::render {

class Vst2Player : public Player {
 public:
  // Null with a reason in error when the module cannot be loaded or instantiated.
  static std::unique_ptr<Vst2Player> Load(const std::string& path, std::string& error);
  ~Vst2Player() override;

  bool Prepare(double sampleRate, int maxBlockSize, std::string& error) override;
  bool SetParameter(const std::string& name, double value, std::string& error) override;
  void NoteOn(int note, int velocity, int offset) override;
  void NoteOff(int note, int offset) override;
  void Process(float* left, float* right, int frames) override;

 private:
  Vst2Player() = default;

  // Declared in this order so that the instance closes before its module unloads.
  std::unique_ptr<vst2host::Vst2Module> module_;
  std::unique_ptr<vst2host::Vst2Instance> instance_;
  std::vector<vst2host::SentMidi> pending_;
  // Silent inputs, and outputs beyond the first two, sized for one block.
  std::vector<std::vector<float>> inputs_, extraOutputs_;
  std::vector<float*> inputPointers_, outputPointers_;
};

std::unique_ptr<Player> MakeVst2Player(const std::string& path, std::string& error);

}  // namespace fluvia::render
