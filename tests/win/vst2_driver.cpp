#include "tests/win/vst2_driver.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "tests/win/vst2_module.h"

namespace fluvia::modulecheck {
namespace {

class Vst2Driver : public ModuleDriver {
 public:
  explicit Vst2Driver(std::unique_ptr<Vst2Module> module) : module_(std::move(module)) {
    events_.resize(kMaxEvents);
    list_.resize(sizeof(vst2::EventList) + kMaxEvents * sizeof(vst2::Event*));
  }
  ~Vst2Driver() override {
    if (started_) module_->Dispatch(vst2::kMainsChanged, 0, 0);
  }

  bool Start(double sampleRate, int maxBlock, bool doubles, std::string& error) override {
    vst2::Effect* effect = module_->Effect();
    if (doubles && (!effect->processDoubleReplacing ||
                    !(effect->flags & vst2::kFlagCanDoubleReplacing))) {
      error = "the effect offers no 64-bit processing";
      return false;
    }
    module_->Dispatch(vst2::kSetSampleRate, 0, 0, nullptr, float(sampleRate));
    module_->Dispatch(vst2::kSetBlockSize, 0, maxBlock);
    module_->Dispatch(vst2::kMainsChanged, 0, 1);
    started_ = true;
    silence64_.assign(size_t(maxBlock), 0.0);
    silence32_.assign(size_t(maxBlock), 0.0f);
    return true;
  }

  // The host speaks normalised values; the script's parameters all run from 0 to 1.
  bool SetParameter(const std::string& name, double value) override {
    const int index = FindParameter(name);
    if (index < 0 || value < 0.0 || value > 1.0) return false;
    module_->Effect()->setParameter(module_->Effect(), index, float(value));
    return true;
  }

  void NoteOn(int note, int velocity, int offset) override {
    AddMidi(0x90, note, std::clamp(velocity, 0, 127), offset);
  }
  void NoteOff(int note, int offset) override { AddMidi(0x80, note, 0, offset); }

  void Process(float* left, float* right, int frames) override {
    SendEvents();
    float* inputs[8] = {};
    for (int i = 0; i < std::min(module_->Effect()->numInputs, 8); ++i) {
      inputs[i] = silence32_.data();
    }
    float* outputs[2] = {left, right};
    module_->Effect()->processReplacing(module_->Effect(), inputs, outputs, frames);
  }
  void Process(double* left, double* right, int frames) override {
    SendEvents();
    double* inputs[8] = {};
    for (int i = 0; i < std::min(module_->Effect()->numInputs, 8); ++i) {
      inputs[i] = silence64_.data();
    }
    double* outputs[2] = {left, right};
    module_->Effect()->processDoubleReplacing(module_->Effect(), inputs, outputs, frames);
  }

  // What a host keeps of a VST2 effect without chunk support: every parameter value, then the
  // program chunk the chunk opcode answers with.
  bool SaveState(std::vector<std::uint8_t>& state) override {
    vst2::Effect* effect = module_->Effect();
    state.clear();
    for (int i = 0; i < effect->numParams; ++i) {
      const float v = effect->getParameter(effect, i);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v);
      state.insert(state.end(), bytes, bytes + sizeof v);
    }
    void* chunk = nullptr;
    const intptr_t size = module_->Dispatch(vst2::kGetChunk, 1, 0, &chunk);
    if (size <= 0 || !chunk) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(chunk);
    state.insert(state.end(), bytes, bytes + size);
    return true;
  }

  bool LoadState(const std::vector<std::uint8_t>& state) override {
    vst2::Effect* effect = module_->Effect();
    const size_t values = size_t(effect->numParams) * sizeof(float);
    if (state.size() <= values) return false;
    for (int i = 0; i < effect->numParams; ++i) {
      float v = 0.0f;
      std::memcpy(&v, state.data() + size_t(i) * sizeof v, sizeof v);
      effect->setParameter(effect, i, v);
    }
    std::vector<std::uint8_t> chunk(state.begin() + std::ptrdiff_t(values), state.end());
    return module_->Dispatch(vst2::kSetChunk, 1, intptr_t(chunk.size()), chunk.data()) != 0;
  }

 private:
  static constexpr int kMaxEvents = 64;

  // Names reach the host cut to the interface's text size, so the cut name is compared.
  int FindParameter(const std::string& name) const {
    for (int i = 0; i < module_->Effect()->numParams; ++i) {
      const std::string shown = module_->ParamName(i);
      if (!shown.empty() && name.compare(0, shown.size(), shown) == 0) return i;
    }
    return -1;
  }

  void AddMidi(int status, int data1, int data2, int offset) {
    if (used_ >= kMaxEvents) return;
    vst2::MidiEvent& e = events_[size_t(used_++)];
    e = vst2::MidiEvent{};
    e.type = vst2::kEventMidi;
    e.byteSize = sizeof e;
    e.deltaFrames = offset;
    e.midiData[0] = char(status);
    e.midiData[1] = char(data1);
    e.midiData[2] = char(data2);
  }

  void SendEvents() {
    if (used_ == 0) return;
    // The list's pointer array runs on past its declared two entries, into list_'s room.
    auto* list = reinterpret_cast<vst2::EventList*>(list_.data());
    list->numEvents = used_;
    list->reserved = 0;
    for (int i = 0; i < used_; ++i) {
      vst2::Event* event = reinterpret_cast<vst2::Event*>(&events_[size_t(i)]);
      std::memcpy(list_.data() + offsetof(vst2::EventList, events) + size_t(i) * sizeof event,
                  &event, sizeof event);
    }
    module_->Dispatch(vst2::kProcessEvents, 0, 0, list);
    used_ = 0;
  }

  std::unique_ptr<Vst2Module> module_;
  bool started_ = false;
  std::vector<vst2::MidiEvent> events_;
  std::vector<std::uint8_t> list_;  // an event list with room for kMaxEvents pointers
  int used_ = 0;
  std::vector<double> silence64_;
  std::vector<float> silence32_;
};

}  // namespace

std::unique_ptr<ModuleDriver> LoadVst2(const std::string& module, std::string& error) {
  auto loaded = Vst2Module::Load(module, error);
  if (!loaded) return nullptr;
  return std::make_unique<Vst2Driver>(std::move(loaded));
}

}  // namespace fluvia::modulecheck
