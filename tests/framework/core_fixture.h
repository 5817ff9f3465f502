#pragma once
// A plug-in core set up like the instrument's (26 parameters, "2-2", one preset), with a
// recording subclass so tests can see which parameter changes reach it and from where.

#include <string>
#include <utility>
#include <vector>

#include "framework/plugin_core.h"

namespace fluvia::testing {

inline PluginConfig InstrumentLikeConfig(const char* channelIO = "2-2", int presets = 1) {
  PluginConfig config;
  config.numParams = 26;
  config.channelIO = channelIO;
  config.numPresets = presets;
  config.effectName = "Fluvia";
  config.manufacturerName = "VelmoraAudio";
  config.version = 0x00010002;
  config.midiInput = true;
  config.instrument = true;
  return config;
}

class RecordingCore : public IPluginCore {
 public:
  explicit RecordingCore(const PluginConfig& config = InstrumentLikeConfig())
      : IPluginCore(config) {
    // Ranges like the instrument's: mostly 0..1, a selector of -1..10000, a tempo of 0..1000.
    for (int i = 0; i < NumParams(); ++i) {
      const std::string name = "P" + std::to_string(i);
      if (i == 16) GetParam(i)->InitRange(name.c_str(), 0.0, -1.0, 10000.0, 0.00001);
      else if (i == 5) GetParam(i)->InitRange(name.c_str(), 120.0, 0.0, 1000.0, 0.00001);
      else if (i == 12) GetParam(i)->InitRange(name.c_str(), 0.5, 0.25, 1.0, 0.00001);
      else GetParam(i)->InitRange(name.c_str(), 0.5, 0.0, 1.0, 0.00001);
    }
  }

  void ParamChanged(int index) override {
    changes.emplace_back(index, ChangeSource());
  }

  std::vector<std::pair<int, ParamChangeSource>> changes;
};

}  // namespace fluvia::testing
