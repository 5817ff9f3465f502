#pragma once
// The factory preset files as they are in presets/factory, built into the installer.

namespace fluvia {

struct EmbeddedPresetFile {
  const char* fileName;  // "SFX - Shower.fluviapreset"
  const unsigned char* data;
  int size;
};

extern const EmbeddedPresetFile kEmbeddedFactoryPresets[];
extern const int kEmbeddedFactoryPresetCount;

}  // namespace fluvia
