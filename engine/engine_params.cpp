#include "engine/engine_params.h"

namespace fluvia {
namespace {

// Three ranges are a single point on purpose: the engine has one MIDI channel, one voice mode
// and always retriggers, whatever a host or an old state tries to set.
constexpr EngineParamRow kRows[kEngineParamCount] = {
    {"AmpFadeInOut", 0.3, 0.0, 1.0},
    {"AmpMainVolume", 0.75, 0.0, 1.0},
    {"ContainerDamping", 0.0, 0.0, 1.0},
    {"ContainerSize", 0.1, 0.0, 1.0},
    {"HostBarStartPulse", 0.0, 0.0, 1.0},
    {"HostTempoBpm", 120.0, 0.0, 1000.0},
    {"HostTransportIsRunning", 0.0, 0.0, 1.0},
    {"MidiChannelInput", 1.0, 1.0, 1.0},
    {"ModStochasticAmt", 1.0, 0.0, 1.0},
    {"ParticlesCollisions", 0.25, 0.0, 1.0},
    {"ParticlesMassSpread", 0.5, 0.0, 1.0},
    {"ParticlesWeightVelocityRatio", 0.5, 0.0, 1.0},
    {"PresetBackward", 0.0, 0.0, 1.0},
    {"PresetForward", 0.0, 0.0, 1.0},
    {"PresetLoad", 0.0, 0.0, 1.0},
    {"PresetSave", 0.0, 0.0, 1.0},
    {"PresetSelector", 0.0, -1.0, 10000.0},
    {"SoundfieldAmt", 0.0, 0.0, 1.0},
    {"SystemEnergyAmt", 0.3, 0.0, 1.0},
    {"Voice00_NoteGate", 0.0, 0.0, 1.0},
    {"Voice00_NoteNumber", 64.0, 0.0, 127.0},
    {"Voice00_NoteRetrig", 0.0, 0.0, 1.0},
    {"Voice00_NoteVelocity", 64.0, 0.0, 127.0},
    {"VoiceModeMonoPoly", 0.0, 0.0, 0.0},
    {"VoiceRetrigOffOn", 1.0, 1.0, 1.0},
    {"zInitParams", 0.0, 0.0, 1.0},
};

}  // namespace

const EngineParamRow& EngineParamTableRow(int index) { return kRows[index]; }

}  // namespace fluvia
