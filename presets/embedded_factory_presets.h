#pragma once
// The factory preset files built into the program by embed_factory_presets.cmake: this
// version's (presets/factory) and the earlier versions' files this version replaces
// (presets/factory/earlier/<version>/). Read them through factory_preset_record.h.

namespace fluvia {

struct EmbeddedPresetFile {
  const char* fileName;  // "SFX - Shower.fluviapreset"
  const char* version;   // the earlier version that shipped it; "" for this version's
  const unsigned char* data;
  int size;
};

// Each table ends with an entry of null pointers after its count of files.
extern const EmbeddedPresetFile kEmbeddedFactoryPresets[];
extern const int kEmbeddedFactoryPresetCount;
extern const EmbeddedPresetFile kEmbeddedEarlierFactoryPresets[];
extern const int kEmbeddedEarlierFactoryPresetCount;

}  // namespace fluvia
