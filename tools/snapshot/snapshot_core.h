#pragma once
// A plug-in core with the instrument's 26 parameters (names, defaults and ranges), enough to
// drive the editor for pictures without the sound engine.

#include "framework/plugin_core.h"

namespace fluvia::snapshot {

class SnapshotCore : public IPluginCore {
 public:
  explicit SnapshotCore(PluginApi api);
};

// The parameter's index by name, or -1.
int FindParam(const IPluginCore& core, const char* name);

}  // namespace fluvia::snapshot
