#include "tests/win/vst2_module.h"

#include <cstring>

#include "tools/vst3host/module_library.h"

namespace fluvia::modulecheck {
namespace {

constexpr int32_t kHostVersionOpcode = 1;

vst2::TimeInfo gTime{};

// The host side of the callback: a 2.4 host at 120 beats per minute, stopped.
intptr_t HostCallback(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
  switch (opcode) {
    case kHostVersionOpcode:
      return vst2::kVstVersion;
    case vst2::kHostGetTime:
      gTime.sampleRate = 48000.0;
      gTime.tempo = 120.0;
      gTime.timeSigNumerator = 4;
      gTime.timeSigDenominator = 4;
      gTime.flags = vst2::kTempoValid | vst2::kTimeSigValid;
      return reinterpret_cast<intptr_t>(&gTime);
    case vst2::kHostGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Fluvia Module Check");
      return 1;
    default:
      return 0;
  }
}

}  // namespace

std::unique_ptr<Vst2Module> Vst2Module::Load(const std::string& path, std::string& error) {
  std::unique_ptr<Vst2Module> module(new Vst2Module);
  std::string reason;
  module->library_ = vst3host::OpenModuleLibrary(path, reason);
  if (!module->library_) {
    error = "cannot load " + path + ": " + reason;
    return nullptr;
  }
  using MainProc = vst2::Effect* (*)(vst2::HostCallback);
  auto entry = reinterpret_cast<MainProc>(
      vst3host::ModuleLibrarySymbol(module->library_, "VSTPluginMain"));
  if (!entry) {
    error = path + " has no VSTPluginMain";
    return nullptr;
  }
  module->effect_ = entry(HostCallback);
  if (!module->effect_ || module->effect_->magic != vst2::kEffectMagic) {
    module->effect_ = nullptr;
    error = "VSTPluginMain of " + path + " returned no effect";
    return nullptr;
  }
  module->Dispatch(vst2::kOpen);
  return module;
}

Vst2Module::~Vst2Module() {
  if (effect_) Dispatch(vst2::kClose);  // the effect destroys itself
  if (library_) vst3host::CloseModuleLibrary(library_);
}

intptr_t Vst2Module::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float option) const {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, option);
}

std::string Vst2Module::ParamName(int index) const {
  char name[vst2::kParamTextBytes + 8] = {};
  Dispatch(vst2::kGetParamName, index, 0, name);
  name[sizeof name - 1] = 0;
  return name;
}

}  // namespace fluvia::modulecheck
