#include "tests/win/vst2_driver.h"

#include "instrument/param_presentation.h"

#include <algorithm>
#include <cstring>

#include "tools/vst2host/vst2_host.h"

namespace fluvia::modulecheck {
namespace {

class Vst2Driver : public ModuleDriver {
 public:
  bool Load(const std::string& path, std::string& error) {
    module_ = vst2host::Vst2Module::Load(path, error);
    instance_ = module_ ? vst2host::Vst2Instance::Create(*module_, error) : nullptr;
    if (!instance_) return false;
    instance_->RecordCalls(false);  // answer like a plain host
    return true;
  }
  ~Vst2Driver() override {
    instance_.reset();  // closes the effect before its module goes
  }

  bool Start(double sampleRate, int maxBlock, bool doubles, std::string& error) override {
    vst2::Effect* effect = instance_->Effect();
    if (doubles && (!effect->processDoubleReplacing ||
                    !(effect->flags & vst2::kFlagCanDoubleReplacing))) {
      error = "the effect offers no 64-bit processing";
      return false;
    }
    instance_->Start(sampleRate, maxBlock);
    silence64_.assign(size_t(maxBlock), 0.0);
    silence32_.assign(size_t(maxBlock), 0.0f);
    return true;
  }

  // The host speaks normalised values; the script's parameters all run from 0 to 1.
  bool SetParameter(const std::string& name, double value) override {
    // Fluvia lists its knobs by their labels; the script knows them by their names.
    const int index = instance_->FindParameter(std::string(HostParamName(name)));
    if (index < 0 || value < 0.0 || value > 1.0) return false;
    instance_->SetParameter(index, float(value));
    return true;
  }

  void NoteOn(int note, int velocity, int offset) override {
    midi_.push_back({offset, {0x90, uint8_t(note), uint8_t(std::clamp(velocity, 0, 127))}});
  }
  void NoteOff(int note, int offset) override {
    midi_.push_back({offset, {0x80, uint8_t(note), 0}});
  }

  void Process(float* left, float* right, int frames) override {
    SendMidi();
    std::vector<float*> inputs(size_t(std::max(instance_->Effect()->numInputs, 0)),
                               silence32_.data());
    float* outputs[2] = {left, right};
    instance_->ProcessReplacing(inputs.data(), outputs, frames);
  }
  void Process(double* left, double* right, int frames) override {
    SendMidi();
    std::vector<double*> inputs(size_t(std::max(instance_->Effect()->numInputs, 0)),
                                silence64_.data());
    double* outputs[2] = {left, right};
    instance_->ProcessDouble(inputs.data(), outputs, frames);
  }

  // What a host keeps of a VST2 effect without chunk support: every parameter value, then the
  // program chunk the chunk opcode answers with.
  bool SaveState(std::vector<std::uint8_t>& state) override {
    state.clear();
    for (int i = 0; i < instance_->Effect()->numParams; ++i) {
      const float v = instance_->GetParameter(i);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v);
      state.insert(state.end(), bytes, bytes + sizeof v);
    }
    void* chunk = nullptr;
    const intptr_t size = instance_->Dispatch(vst2::kGetChunk, 1, 0, &chunk);
    if (size <= 0 || !chunk) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(chunk);
    state.insert(state.end(), bytes, bytes + size);
    return true;
  }

  bool LoadState(const std::vector<std::uint8_t>& state) override {
    const size_t values = size_t(instance_->Effect()->numParams) * sizeof(float);
    if (state.size() <= values) return false;
    for (int i = 0; i < instance_->Effect()->numParams; ++i) {
      float v = 0.0f;
      std::memcpy(&v, state.data() + size_t(i) * sizeof v, sizeof v);
      instance_->SetParameter(i, v);
    }
    std::vector<std::uint8_t> chunk(state.begin() + std::ptrdiff_t(values), state.end());
    return instance_->Dispatch(vst2::kSetChunk, 1, intptr_t(chunk.size()), chunk.data()) != 0;
  }

 private:
  void SendMidi() {
    if (midi_.empty()) return;
    instance_->SendMidi(midi_);
    midi_.clear();
  }

  std::unique_ptr<vst2host::Vst2Module> module_;
  std::unique_ptr<vst2host::Vst2Instance> instance_;
  std::vector<vst2host::SentMidi> midi_;
  std::vector<double> silence64_;
  std::vector<float> silence32_;
};

}  // namespace

std::unique_ptr<ModuleDriver> LoadVst2(const std::string& module, std::string& error) {
  auto driver = std::make_unique<Vst2Driver>();
  if (!driver->Load(module, error)) return nullptr;
  return driver;
}

}  // namespace fluvia::modulecheck
