#include "tools/lv2host/lv2_host.h"

#include <cstring>

#include "lv2/atom/atom.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/midi/midi.h"
#include "lv2/time/time.h"
#include "tools/module_library/module_library.h"

namespace fluvia::lv2host {

UridMap::UridMap() {
  map_.handle = this;
  map_.map = [](LV2_URID_Map_Handle h, const char* uri) {
    return static_cast<UridMap*>(h)->Map(uri);
  };
  unmap_.handle = this;
  unmap_.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID id) {
    return static_cast<UridMap*>(h)->Unmap(id);
  };
}

LV2_URID UridMap::Map(const char* uri) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = ids_.find(uri);
  if (found != ids_.end()) return found->second;
  uris_.emplace_back(uri);
  const LV2_URID id = LV2_URID(uris_.size());
  ids_.emplace(uri, id);
  return id;
}

const char* UridMap::Unmap(LV2_URID id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return id >= 1 && id <= uris_.size() ? uris_[id - 1].c_str() : nullptr;
}

std::unique_ptr<Lv2Module> Lv2Module::Load(const std::string& bundle, const std::string& binary,
                                           const std::string& uri, std::string& error) {
  std::unique_ptr<Lv2Module> module(new Lv2Module());
  module->bundle_ = bundle;
  module->library_ = hostlib::OpenModuleLibrary(bundle + "/" + binary, error);
  if (!module->library_) return nullptr;
  using PluginEntry = const LV2_Descriptor* (*)(uint32_t);
  using UiEntry = const LV2UI_Descriptor* (*)(uint32_t);
  auto plugins = reinterpret_cast<PluginEntry>(
      hostlib::ModuleLibrarySymbol(module->library_, "lv2_descriptor"));
  if (!plugins) {
    error = "no lv2_descriptor in " + binary;
    return nullptr;
  }
  for (uint32_t i = 0; const LV2_Descriptor* d = plugins(i); ++i) {
    if (d->URI && uri == d->URI) module->plugin_ = d;
  }
  if (!module->plugin_) {
    error = "no plug-in " + uri + " in " + binary;
    return nullptr;
  }
  if (auto uis = reinterpret_cast<UiEntry>(
          hostlib::ModuleLibrarySymbol(module->library_, "lv2ui_descriptor"))) {
    module->ui_ = uis(0);
  }
  return module;
}

Lv2Module::~Lv2Module() {
  if (library_) hostlib::CloseModuleLibrary(library_);
}

std::unique_ptr<Lv2Instance> Lv2Instance::Create(const Lv2Module& module,
                                                 const std::vector<float>& defaults,
                                                 uint32_t firstControl, const Options& options,
                                                 std::string& error) {
  std::unique_ptr<Lv2Instance> instance(new Lv2Instance());
  Lv2Instance& self = *instance;
  self.descriptor_ = module.Plugin();
  self.urids_ = std::make_unique<UridMap>();
  self.controls_ = defaults;
  self.firstControl_ = firstControl;
  self.maxBlock_ = options.maxBlock;
  self.sequenceSize_ = int32_t(options.eventBufferBytes);
  self.events_.assign(options.eventBufferBytes, 0);
  UridMap& u = *self.urids_;
  const LV2_URID intType = u.Map(LV2_ATOM__Int);
  self.options_ = {
      {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), intType,
       &self.maxBlock_},
      {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_BUF_SIZE__sequenceSize), sizeof(int32_t), intType,
       &self.sequenceSize_},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  if (options.offerUridMap) {
    self.featureStore_.push_back({LV2_URID__map, u.MapFeature()});
    self.featureStore_.push_back({LV2_URID__unmap, u.UnmapFeature()});
  }
  if (options.offerOptions) {
    self.featureStore_.push_back({LV2_OPTIONS__options, self.options_.data()});
    self.featureStore_.push_back({LV2_BUF_SIZE__boundedBlockLength, nullptr});
  }
  for (const LV2_Feature& f : self.featureStore_) self.features_.push_back(&f);
  self.features_.push_back(nullptr);

  self.handle_ = self.descriptor_->instantiate(self.descriptor_, options.sampleRate,
                                               module.Bundle().c_str(), self.features_.data());
  if (!self.handle_) {
    error = "the plug-in refused to instantiate";
    return nullptr;
  }
  lv2_atom_forge_init(&self.forge_, u.MapFeature());
  self.midiEvent_ = u.Map(LV2_MIDI__MidiEvent);
  self.timePosition_ = u.Map(LV2_TIME__Position);
  self.timeBeatsPerMinute_ = u.Map(LV2_TIME__beatsPerMinute);
  self.timeSpeed_ = u.Map(LV2_TIME__speed);
  self.timeFrame_ = u.Map(LV2_TIME__frame);
  self.descriptor_->connect_port(self.handle_, 0, self.events_.data());
  for (size_t k = 0; k < self.controls_.size(); ++k) {
    self.descriptor_->connect_port(self.handle_, firstControl + uint32_t(k), &self.controls_[k]);
  }
  if (self.descriptor_->activate) self.descriptor_->activate(self.handle_);
  self.StartSequence();
  return instance;
}

Lv2Instance::~Lv2Instance() {
  if (!handle_) return;
  if (descriptor_->deactivate) descriptor_->deactivate(handle_);
  descriptor_->cleanup(handle_);
}

void Lv2Instance::StartSequence() {
  lv2_atom_forge_set_buffer(&forge_, events_.data(), events_.size());
  lv2_atom_forge_sequence_head(&forge_, &sequenceFrame_, 0);
}

void Lv2Instance::ClearEvents() { StartSequence(); }

void Lv2Instance::AddMidi(int64_t frame, std::initializer_list<uint8_t> bytes) {
  // No allocation here: the realtime tests count every allocation on the calling thread.
  uint8_t data[16];
  uint32_t size = 0;
  for (uint8_t b : bytes) {
    if (size < sizeof data) data[size++] = b;
  }
  lv2_atom_forge_frame_time(&forge_, frame);
  lv2_atom_forge_atom(&forge_, size, midiEvent_);
  lv2_atom_forge_write(&forge_, data, size);
}

void Lv2Instance::NoteOn(int64_t frame, int note, int velocity, int channel) {
  AddMidi(frame, {uint8_t(0x90 | channel), uint8_t(note), uint8_t(velocity)});
}

void Lv2Instance::NoteOff(int64_t frame, int note, int channel) {
  AddMidi(frame, {uint8_t(0x80 | channel), uint8_t(note), 0});
}

void Lv2Instance::AddPosition(int64_t frame, float beatsPerMinute, float speed,
                              int64_t position) {
  LV2_Atom_Forge_Frame object;
  lv2_atom_forge_frame_time(&forge_, frame);
  lv2_atom_forge_object(&forge_, &object, 0, timePosition_);
  lv2_atom_forge_key(&forge_, timeBeatsPerMinute_);
  lv2_atom_forge_float(&forge_, beatsPerMinute);
  lv2_atom_forge_key(&forge_, timeSpeed_);
  lv2_atom_forge_float(&forge_, speed);
  lv2_atom_forge_key(&forge_, timeFrame_);
  lv2_atom_forge_long(&forge_, position);
  lv2_atom_forge_pop(&forge_, &object);
}

void Lv2Instance::Run(float* left, float* right, uint32_t frames) {
  descriptor_->connect_port(handle_, 1, left);
  descriptor_->connect_port(handle_, 2, right);
  descriptor_->run(handle_, frames);
  StartSequence();
}

namespace {

struct StateCall {
  UridMap* urids;
  std::vector<StateProperty>* properties;
  const std::vector<StateProperty>* restoring;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                       uint32_t type, uint32_t flags) {
  auto* call = static_cast<StateCall*>(handle);
  StateProperty p;
  p.key = call->urids->Unmap(key) ? call->urids->Unmap(key) : "";
  p.type = call->urids->Unmap(type) ? call->urids->Unmap(type) : "";
  p.flags = flags;
  const auto* bytes = static_cast<const uint8_t*>(value);
  p.value.assign(bytes, bytes + size);
  call->properties->push_back(std::move(p));
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                     uint32_t* flags) {
  auto* call = static_cast<StateCall*>(handle);
  const char* uri = call->urids->Unmap(key);
  for (const StateProperty& p : *call->restoring) {
    if (!uri || p.key != uri) continue;
    *size = p.value.size();
    *type = call->urids->Map(p.type.c_str());
    *flags = p.flags;
    static const uint8_t kNothing = 0;  // an empty value is still a value
    return p.value.empty() ? &kNothing : p.value.data();
  }
  return nullptr;
}

}  // namespace

bool Lv2Instance::SaveState(std::vector<StateProperty>& properties) {
  if (!descriptor_->extension_data) return false;
  const auto* state =
      static_cast<const LV2_State_Interface*>(descriptor_->extension_data(LV2_STATE__interface));
  if (!state || !state->save) return false;
  StateCall call{urids_.get(), &properties, nullptr};
  const LV2_Feature* none[] = {nullptr};
  return state->save(handle_, Store, &call, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, none) ==
         LV2_STATE_SUCCESS;
}

LV2_State_Status Lv2Instance::RestoreState(const std::vector<StateProperty>& properties) {
  if (!descriptor_->extension_data) return LV2_STATE_ERR_UNKNOWN;
  const auto* state =
      static_cast<const LV2_State_Interface*>(descriptor_->extension_data(LV2_STATE__interface));
  if (!state || !state->restore) return LV2_STATE_ERR_UNKNOWN;
  StateCall call{urids_.get(), nullptr, &properties};
  const LV2_Feature* none[] = {nullptr};
  return state->restore(handle_, Retrieve, &call, 0, none);
}

}  // namespace fluvia::lv2host
