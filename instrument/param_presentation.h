#pragma once
// What a person plays and how hosts and the editor present it: the nine knobs by the labels
// printed under them, with their values in words, and the preset selector by preset name.
// Every other parameter is hidden (not automatable, read-only where the format allows) and
// keeps its index, value and place in the saved state.
//
// Header-only table, so that tools which find parameters by the names scripts and preset
// files use can translate them into what a host lists without linking the instrument.

#include <memory>
#include <string_view>

#include "engine/engine_params.h"

namespace fluvia {

class IPluginCore;
class PresetNames;

struct ShownParam {
  int index;
  const char* name;   // the engine's name, used by preset files and scripts
  const char* label;  // what a person reads
};

// In the order hosts list them: the editor's reading order (rows top to bottom, each left to
// right), then the preset selector.
inline constexpr ShownParam kShownParams[] = {
    {kParticlesCollisions, "ParticlesCollisions", "Collisions"},
    {kSystemEnergyAmt, "SystemEnergyAmt", "System Energy"},
    {kContainerSize, "ContainerSize", "Size"},
    {kParticlesWeightVelocityRatio, "ParticlesWeightVelocityRatio", "Kinetics"},
    {kParticlesMassSpread, "ParticlesMassSpread", "Mass Spread"},
    {kContainerDamping, "ContainerDamping", "Material"},
    {kSoundfieldAmt, "SoundfieldAmt", "Panorama"},
    {kAmpFadeInOut, "AmpFadeInOut", "Fading"},
    {kAmpMainVolume, "AmpMainVolume", "Volume"},
    {kPresetSelector, "PresetSelector", "Library Preset"},
};
inline constexpr int kShownParamCount = int(sizeof kShownParams / sizeof kShownParams[0]);

// The label hosts list for a parameter of that index, or null for a hidden one.
inline const char* ShownLabel(int index) {
  for (const ShownParam& shown : kShownParams) {
    if (shown.index == index) return shown.label;
  }
  return nullptr;
}

// The name hosts list for a parameter known by its name ("ParticlesCollisions" lists as
// "Collisions"); other names, labels among them, come back as they are.
inline std::string_view HostParamName(std::string_view name) {
  for (const ShownParam& shown : kShownParams) {
    if (name == shown.name) return shown.label;
  }
  return name;
}

// Gives the plug-in's parameters their labels, their values in words (the preset selector's
// through `names`, which may be null), the hidden flags and the order hosts list them in.
// Defined in the instrument library.
void PresentParameters(IPluginCore& core, std::shared_ptr<const PresetNames> names);

}  // namespace fluvia
