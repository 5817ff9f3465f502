// The module's way in for a VST2 host: VSTPluginMain, also exported as main (older hosts look
// for that name). Each call builds one instance and returns its effect record.

#include <memory>
#include <mutex>

#include "adapters/vst2/instance_factory.h"
#include "adapters/vst2/plugin_vst2.h"

#if defined(_WIN32)
#define FLUVIA_VST2_EXPORT __declspec(dllexport)
#else
#define FLUVIA_VST2_EXPORT __attribute__((visibility("default")))
#endif

namespace {

using fluvia::vst2::Effect;
using fluvia::vst2::HostCallback;

Effect* CreateEffect(HostCallback host) {
  // Instances are built one at a time, whatever threads hosts scan or load on.
  static std::mutex creationMutex;
  std::lock_guard<std::mutex> lock(creationMutex);
  try {
    std::unique_ptr<fluvia::IPluginCore> core = fluvia::CreateVst2Instance();
    if (!core) return nullptr;
    auto plugin = std::make_unique<fluvia::IPluginVST2>(std::move(core), host);
    // Slots the instrument left empty are named and filled with the current values.
    plugin->Core().MakeDefaultPresets(nullptr, plugin->Core().NumPresets());
    return plugin.release()->Effect();  // the close opcode destroys it
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

FLUVIA_VST2_EXPORT Effect* VSTPluginMain(HostCallback host) {
  return CreateEffect(host);
}

// "main" cannot be declared as an ordinary C++ function of this type; the assembler name
// gives the same entry under that symbol.
FLUVIA_VST2_EXPORT Effect* VstMainAlias(HostCallback host) __asm__("main");
Effect* VstMainAlias(HostCallback host) { return CreateEffect(host); }

}  // extern "C"
