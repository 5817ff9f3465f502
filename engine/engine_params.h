// The engine's parameter set: index constants and the descriptor record the instrument builds
// its host parameters from.
#pragma once

#include <string>

namespace fluvia {

// Indices follow the ascending byte order of the names (capitals sort before small letters,
// which is why zInitParams comes last). Saved host state depends on this order.
enum EngineParamIndex : int {
  kAmpFadeInOut = 0,
  kAmpMainVolume,
  kContainerDamping,
  kContainerSize,
  kHostBarStartPulse,
  kHostTempoBpm,
  kHostTransportIsRunning,
  kMidiChannelInput,
  kModStochasticAmt,
  kParticlesCollisions,
  kParticlesMassSpread,
  kParticlesWeightVelocityRatio,
  kPresetBackward,
  kPresetForward,
  kPresetLoad,
  kPresetSave,
  kPresetSelector,
  kSoundfieldAmt,
  kSystemEnergyAmt,
  kVoice00_NoteGate,
  kVoice00_NoteNumber,
  kVoice00_NoteRetrig,
  kVoice00_NoteVelocity,
  kVoiceModeMonoPoly,
  kVoiceRetrigOffOn,
  kZInitParams,
  kEngineParamCount
};

struct EngineParamInfo {
  std::string name;
  double defaultValue = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  std::string unitLabel;
};

// One row of the built-in parameter table: what Reset stores and what SetParameter clamps to.
struct EngineParamRow {
  const char* name;
  double defaultValue;
  double minimum;
  double maximum;
};

// Row for an index in 0..kEngineParamCount-1 (the caller checks the range).
const EngineParamRow& EngineParamTableRow(int index);

}  // namespace fluvia
