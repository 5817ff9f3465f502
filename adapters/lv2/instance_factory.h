#pragma once
// What the LV2 module builds for each instance: supplied by the module, so that the adapter
// knows nothing of the instrument.

#include <memory>

#include "framework/plugin_core.h"

namespace fluvia {

// Constructs one plug-in core for the LV2 build, or returns null.
std::unique_ptr<IPluginCore> CreateLv2Instance();

}  // namespace fluvia
