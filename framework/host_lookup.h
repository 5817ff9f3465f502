#pragma once
// Classifies the host application from its product name, so that host-specific behaviour can
// be switched on and the instrument can ask where it runs.

#include <cstdint>

#include "framework/plugin_types.h"

namespace fluvia {

HostKind LookUpHost(const char* name);

// A VST2 host reports its version as major*10000 + minor*100 + patch; the plug-in keeps
// versions packed as major*65536 + minor*256 + patch.
int32_t PackVst2HostVersion(int32_t decimalVersion);

}  // namespace fluvia
