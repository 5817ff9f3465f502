#pragma once
// What every preset file read must keep true, whatever the file holds: only the nine stored
// parameters may change, each stays finite within 0..1, and the engine holds what the
// parameter holds. Shared by the randomised test and the libFuzzer target.

#include <cmath>
#include <string>
#include <vector>

#include "engine/water_engine.h"
#include "framework/plugin_core.h"
#include "presets/preset_format.h"

namespace fluvia::testing {

inline bool IsStoredParam(int index) {
  for (const auto& p : StoredPresetParams()) {
    if (p.index == index) return true;
  }
  return false;
}

// Empty when all holds; otherwise what broke.
inline std::string CheckAfterRead(const IPluginCore& core, const WaterEngine& engine,
                                  const std::vector<double>& before) {
  for (int i = 0; i < core.NumParams(); ++i) {
    const double value = core.GetParam(i)->Value();
    if (!IsStoredParam(i)) {
      if (value != before[size_t(i)]) return "parameter " + std::to_string(i) + " changed";
      continue;
    }
    if (!std::isfinite(value) || value < 0.0 || value > 1.0) {
      return "parameter " + std::to_string(i) + " out of range";
    }
    if (engine.Parameter(i) != value) return "engine differs for " + std::to_string(i);
  }
  return {};
}

}  // namespace fluvia::testing
