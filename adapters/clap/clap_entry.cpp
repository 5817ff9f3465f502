// clap_entry: the module's one exported symbol. A host initialises the module with its path,
// asks for the plug-in factory, reads the one descriptor and creates instances through it.

#include <cstring>
#include <memory>
#include <mutex>

#include "adapters/clap/clap_abi.h"
#include "adapters/clap/instance_factory.h"
#include "adapters/clap/plugin_clap.h"

#if defined(_WIN32)
#define FLUVIA_CLAP_EXPORT __declspec(dllexport)
#else
#define FLUVIA_CLAP_EXPORT __attribute__((visibility("default")))
#endif

#ifndef FLUVIA_VERSION_TEXT
#error "FLUVIA_VERSION_TEXT names the project's version"
#endif

namespace {

using namespace fluvia;

const char* const kFeatures[] = {clap::kFeatureInstrument, clap::kFeatureSynthesizer,
                                 clap::kFeatureStereo, nullptr};

const clap::PluginDescriptor kDescriptor = {
    clap::kVersion,
    "audio.velmora.fluvia",
    "Fluvia",
    "VelmoraAudio",
    "https://velmora.audio",
    "https://velmora.audio",
    "https://velmora.audio",
    FLUVIA_VERSION_TEXT,
    "Synthesises the sound of moving water: streams, faucets, showers, waterfalls and rain",
    kFeatures,
};

// init and deinit come in pairs, but a host that loads the module twice (or a wrapper inside
// it) may nest them: the module counts, and serves its factory while any init is open.
std::mutex gEntryMutex;
int gInitCount = 0;

bool Initialised() {
  std::lock_guard<std::mutex> lock(gEntryMutex);
  return gInitCount > 0;
}

const clap::Plugin* CreatePlugin(const clap::PluginFactory*, const clap::Host* host,
                                 const char* pluginId) {
  if (!Initialised() || !host || !clap::VersionIsCompatible(host->clapVersion)) return nullptr;
  if (!pluginId || std::strcmp(pluginId, kDescriptor.id) != 0) return nullptr;
  // Instances are built one at a time, whatever threads hosts scan or load on.
  static std::mutex creationMutex;
  std::lock_guard<std::mutex> lock(creationMutex);
  try {
    std::unique_ptr<IPluginCore> core = CreateClapInstance();
    if (!core) return nullptr;
    auto* plugin = new IPluginCLAP(std::move(core), host, &kDescriptor);
    return plugin->Record();  // the record's destroy entry deletes it
  } catch (...) {
    return nullptr;
  }
}

const clap::PluginFactory kFactory = {
    [](const clap::PluginFactory*) -> uint32_t { return Initialised() ? 1 : 0; },
    [](const clap::PluginFactory*, uint32_t index) -> const clap::PluginDescriptor* {
      return Initialised() && index == 0 ? &kDescriptor : nullptr;
    },
    CreatePlugin,
};

bool EntryInit(const char* pluginPath) {
  // The module needs nothing from its path (its artwork is inside it), but a host that passes
  // none breaks the interface.
  if (!pluginPath) return false;
  std::lock_guard<std::mutex> lock(gEntryMutex);
  ++gInitCount;
  return true;
}

void EntryDeinit() {
  std::lock_guard<std::mutex> lock(gEntryMutex);
  if (gInitCount > 0) --gInitCount;
}

const void* EntryGetFactory(const char* factoryId) {
  if (!factoryId || std::strcmp(factoryId, clap::kPluginFactoryId) != 0) return nullptr;
  return Initialised() ? &kFactory : nullptr;
}

}  // namespace

extern "C" FLUVIA_CLAP_EXPORT const fluvia::clap::PluginEntry clap_entry = {
    fluvia::clap::kVersion,
    EntryInit,
    EntryDeinit,
    EntryGetFactory,
};
