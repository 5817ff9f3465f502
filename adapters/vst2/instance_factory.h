#pragma once
// What the VST2 module builds for each instance: supplied by the module, so that the adapter
// knows nothing of the instrument.

#include <memory>

#include "framework/plugin_core.h"

namespace fluvia {

// Constructs one plug-in core for the VST2 build, or returns null.
std::unique_ptr<IPluginCore> CreateVst2Instance();

}  // namespace fluvia
