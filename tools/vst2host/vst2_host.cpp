#include "tools/vst2host/vst2_host.h"

#include <algorithm>
#include <cstring>

#include "tools/module_library/module_library.h"

namespace fluvia::vst2host {
namespace {

// The instance being created: the entry point may call back before the host has the record
// (and can put itself in the record's user field).
thread_local Vst2Instance* tCreating = nullptr;

}  // namespace

std::unique_ptr<Vst2Module> Vst2Module::Load(const std::string& path, std::string& error) {
  std::unique_ptr<Vst2Module> module(new Vst2Module);
  std::string why;
  module->handle_ = hostlib::OpenModuleLibrary(path, why);
  if (!module->handle_) {
    error = "cannot load " + path + ": " + why;
    return nullptr;
  }
  void* entry = module->Symbol("VSTPluginMain");
  if (!entry) entry = module->Symbol("main");
  if (!entry) {
    error = path + " has neither VSTPluginMain nor main";
    return nullptr;
  }
  module->entry_ = reinterpret_cast<EntryFunction>(entry);
  return module;
}

Vst2Module::~Vst2Module() {
  if (handle_) hostlib::CloseModuleLibrary(handle_);
}

void* Vst2Module::Symbol(const char* name) const {
  return hostlib::ModuleLibrarySymbol(handle_, name);
}

std::unique_ptr<Vst2Instance> Vst2Instance::Create(const Vst2Module& module, std::string& error) {
  std::unique_ptr<Vst2Instance> instance(new Vst2Instance);
  // Room for the calls of a long test, so that recording a call made on the audio thread
  // allocates nothing there.
  instance->calls_.reserve(1 << 14);
  tCreating = instance.get();
  vst2::Effect* effect = module.EntryPoint()(&Vst2Instance::Callback);
  tCreating = nullptr;
  if (!effect) {
    error = "the entry point returned no effect";
    return nullptr;
  }
  if (effect->magic != vst2::kEffectMagic) {
    error = "the entry point returned a record without the effect magic";
    return nullptr;
  }
  effect->user = instance.get();
  instance->effect_ = effect;
  return instance;
}

Vst2Instance::~Vst2Instance() { Close(); }

void Vst2Instance::Close() {
  if (!effect_) return;
  effect_->dispatcher(effect_, vst2::kClose, 0, 0, nullptr, 0.0f);
  effect_ = nullptr;
}

intptr_t Vst2Instance::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float option) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, option);
}

void Vst2Instance::Start(double sampleRate, int maxBlockSize) {
  Dispatch(vst2::kOpen);
  Dispatch(vst2::kSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(vst2::kSetBlockSize, 0, maxBlockSize);
  Dispatch(vst2::kMainsChanged, 0, 1);
}

int Vst2Instance::FindParameter(const std::string& name) {
  for (int i = 0; i < effect_->numParams; ++i) {
    char text[256] = {};
    Dispatch(vst2::kGetParamName, i, 0, text);
    if (name == text) return i;
  }
  return -1;
}

intptr_t Vst2Instance::SendMidi(const std::vector<SentMidi>& messages) {
  std::vector<vst2::MidiEvent> events(messages.size());
  // The list is declared with two pointers; longer lists are allocated with room for more.
  const size_t bytes = sizeof(vst2::EventList) + sizeof(vst2::Event*) * messages.size();
  std::vector<uint8_t> storage(bytes, 0);
  auto* list = reinterpret_cast<vst2::EventList*>(storage.data());
  if (!list) return 0;
  list->numEvents = static_cast<int32_t>(messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    vst2::MidiEvent& event = events[i];
    event.type = vst2::kEventMidi;
    event.byteSize = sizeof(vst2::MidiEvent);
    event.deltaFrames = messages[i].deltaFrames;
    for (int b = 0; b < 3; ++b) event.midiData[b] = static_cast<char>(messages[i].bytes[b]);
    list->events[i] = reinterpret_cast<vst2::Event*>(&event);
  }
  return Dispatch(vst2::kProcessEvents, 0, 0, list);
}

void Vst2Instance::ProcessReplacing(float** inputs, float** outputs, int32_t frames) {
  effect_->processReplacing(effect_, inputs, outputs, frames);
}

void Vst2Instance::ProcessAccumulating(float** inputs, float** outputs, int32_t frames) {
  effect_->processAccumulating(effect_, inputs, outputs, frames);
}

void Vst2Instance::ProcessDouble(double** inputs, double** outputs, int32_t frames) {
  effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
}

std::vector<HostCall> Vst2Instance::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

int Vst2Instance::CountCalls(int32_t opcode) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return int(std::count_if(calls_.begin(), calls_.end(),
                           [opcode](const HostCall& call) { return call.opcode == opcode; }));
}

void Vst2Instance::ClearCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
  sent_.clear();
}

std::vector<SentMidi> Vst2Instance::SentEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sent_;
}

intptr_t Vst2Instance::Callback(vst2::Effect* effect, int32_t opcode, int32_t index,
                                intptr_t value, void* ptr, float option) {
  Vst2Instance* instance = (effect && effect->user) ? static_cast<Vst2Instance*>(effect->user)
                                                    : tCreating;
  // Hosts answer the version question even before they know the instance.
  if (!instance) return opcode == 1 ? 2400 : 0;
  return instance->Answer(opcode, index, value, ptr, option);
}

intptr_t Vst2Instance::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float option) {
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  if (recording_) {
    lock.lock();
    calls_.push_back({opcode, index, value, option});
  }
  switch (opcode) {
    case 1:  // host version
      return 2400;
    case vst2::kHostGetTime:
      return timeAvailable_ ? reinterpret_cast<intptr_t>(&time_) : 0;
    case vst2::kHostProcessEvents: {
      const auto* list = static_cast<const vst2::EventList*>(ptr);
      if (!list) return 0;
      for (int32_t i = 0; i < list->numEvents; ++i) {
        const vst2::Event* event = list->events[i];
        if (!event || event->type != vst2::kEventMidi) continue;
        const auto* midi = reinterpret_cast<const vst2::MidiEvent*>(event);
        SentMidi sent;
        sent.deltaFrames = midi->deltaFrames;
        for (int b = 0; b < 3; ++b) sent.bytes[b] = static_cast<uint8_t>(midi->midiData[b]);
        if (lock.owns_lock()) sent_.push_back(sent);
      }
      return 1;
    }
    case vst2::kHostGetCurrentProcessLevel:
      return processLevel_;
    case vst2::kHostGetProductString:
      // Hosts fill at most 64 bytes here.
      if (ptr) {
        std::memset(ptr, 0, 64);
        std::memcpy(ptr, product_.c_str(), std::min<size_t>(product_.size(), 63));
      }
      return ptr ? 1 : 0;
    case vst2::kHostGetVendorVersion:
      return vendorVersion_;
    default:
      return 0;
  }
}

}  // namespace fluvia::vst2host
