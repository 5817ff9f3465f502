#include "tests/graphics/editor/test_plugin.h"

namespace fluvia::testing {
namespace {

struct ParamRow {
  const char* name;
  double defaultValue;
  double minimum;
  double maximum;
};

// The instrument's parameters, in index order.
constexpr ParamRow kParams[] = {
    {"AmpFadeInOut", 0.3, 0, 1},
    {"AmpMainVolume", 0.75, 0, 1},
    {"ContainerDamping", 0, 0, 1},
    {"ContainerSize", 0.1, 0, 1},
    {"HostBarStartPulse", 0, 0, 1},
    {"HostTempoBpm", 120, 0, 1000},
    {"HostTransportIsRunning", 0, 0, 1},
    {"MidiChannelInput", 1, 1, 1},
    {"ModStochasticAmt", 1, 0, 1},
    {"ParticlesCollisions", 0.25, 0, 1},
    {"ParticlesMassSpread", 0.5, 0, 1},
    {"ParticlesWeightVelocityRatio", 0.5, 0, 1},
    {"PresetBackward", 0, 0, 1},
    {"PresetForward", 0, 0, 1},
    {"PresetLoad", 0, 0, 1},
    {"PresetSave", 0, 0, 1},
    {"PresetSelector", 0, -1, 10000},
    {"SoundfieldAmt", 0, 0, 1},
    {"SystemEnergyAmt", 0.3, 0, 1},
    {"Voice00_NoteGate", 0, 0, 1},
    {"Voice00_NoteNumber", 64, 0, 127},
    {"Voice00_NoteRetrig", 0, 0, 1},
    {"Voice00_NoteVelocity", 64, 0, 127},
    {"VoiceModeMonoPoly", 0, 0, 0},
    {"VoiceRetrigOffOn", 1, 1, 1},
    {"zInitParams", 0, 0, 1},
};

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
    const ParamRow& row = kParams[i];
    GetParam(i)->InitRange(row.name, row.defaultValue, row.minimum, row.maximum, 0.00001);
  }
  SetHostLink(&host);
}

}  // namespace fluvia::testing
