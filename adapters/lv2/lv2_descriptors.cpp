// The C entry points of the plug-in descriptor. No exception leaves them: an instance that
// cannot be built is refused (null), with the reason in the host's log or on standard error.

#include "adapters/lv2/lv2_descriptors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "adapters/lv2/instance_factory.h"
#include "adapters/lv2/lv2_uris.h"
#include "adapters/lv2/plugin_lv2.h"
#include "lv2/log/log.h"
#include "lv2/urid/urid.h"

namespace fluvia {
namespace {

void ReportRefusal(const LV2_Feature* const* features, const std::string& reason) {
  const LV2_Log_Log* log = nullptr;
  const LV2_URID_Map* map = nullptr;
  for (int i = 0; features && i < 1024 && features[i]; ++i) {
    if (!features[i]->URI) continue;
    if (std::strcmp(features[i]->URI, LV2_LOG__log) == 0) {
      log = static_cast<const LV2_Log_Log*>(features[i]->data);
    } else if (std::strcmp(features[i]->URI, LV2_URID__map) == 0) {
      map = static_cast<const LV2_URID_Map*>(features[i]->data);
    }
  }
  if (log && log->printf && map && map->map) {
    log->printf(log->handle, map->map(map->handle, LV2_LOG__Error), "Fluvia: %s\n",
                reason.c_str());
  } else {
    std::fprintf(stderr, "Fluvia: %s\n", reason.c_str());
  }
}

LV2_Handle Instantiate(const LV2_Descriptor*, double sampleRate, const char*,
                       const LV2_Feature* const* features) {
  // Instances are built one at a time, whatever threads hosts load them on.
  static std::mutex creationMutex;
  try {
    std::lock_guard<std::mutex> lock(creationMutex);
    std::string error;
    // The features first: a host lacking one gets its answer without an instrument built.
    IPluginLV2::HostFacts facts;
    if (!IPluginLV2::ReadHostFacts(sampleRate, features, facts, error)) {
      ReportRefusal(features, error);
      return nullptr;
    }
    std::unique_ptr<IPluginCore> core = CreateLv2Instance();
    if (!core) {
      ReportRefusal(features, "the instrument could not be built");
      return nullptr;
    }
    return new IPluginLV2(std::move(core), facts);
  } catch (...) {
    ReportRefusal(features, "out of memory while building the instance");
    return nullptr;
  }
}

IPluginLV2* Plugin(LV2_Handle instance) { return static_cast<IPluginLV2*>(instance); }

void ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
  Plugin(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance) {
  try {
    Plugin(instance)->Activate();
  } catch (...) {
    // Resetting allocates the instrument's queues; without memory the old ones stay.
  }
}

void Run(LV2_Handle instance, uint32_t frames) { Plugin(instance)->Run(frames); }

void Deactivate(LV2_Handle instance) { Plugin(instance)->Deactivate(); }

void Cleanup(LV2_Handle instance) { delete Plugin(instance); }

const void* ExtensionData(const char* uri) { return IPluginLV2::ExtensionData(uri); }

const LV2_Descriptor kDescriptor = {kLv2PluginUri, Instantiate, ConnectPort, Activate, Run,
                                    Deactivate,    Cleanup,     ExtensionData};

}  // namespace

const LV2_Descriptor* PluginDescriptor() { return &kDescriptor; }

}  // namespace fluvia
