#include "tests/graphics/editor/test_plugin.h"

#include "engine/engine_params.h"

namespace fluvia::testing {
namespace {

PluginConfig MakeConfig(PluginApi api) {
  PluginConfig config;
  config.numParams = 26;
  config.channelIO = "0-2";
  config.instrument = true;
  config.midiInput = true;
  config.api = api;
  return config;
}

}  // namespace

TestPlugin::TestPlugin(PluginApi api) : IPluginCore(MakeConfig(api)) {
  for (int i = 0; i < NumParams(); ++i) {
    // The instrument's parameters, from the engine's table.
    const EngineParamRow& row = EngineParamTableRow(i);
    GetParam(i)->InitRange(row.name, row.defaultValue, row.minimum, row.maximum, 0.00001);
  }
  SetHostLink(&host);
}

}  // namespace fluvia::testing
