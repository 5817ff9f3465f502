#pragma once
// The instrument's preset library as the instrument sees it: the five preset commands end
// here, and so does the word that a sound parameter changed. The instrument clears its voices
// before a step or a menu load; everything else (numbers, files, the name display) is the
// library's.

#include "presets/preset_catalogue.h"

namespace fluvia {

// What the preset menu shows: the library as last scanned, and the current preset's number
// in it (0: none of its presets is current).
struct PresetMenuContents {
  PresetCatalogue catalogue;
  int current = 0;
};

class IPresetLibrary {
 public:
  virtual ~IPresetLibrary() = default;

  // Previous / next button: load the preset before or after the current one in menu order;
  // at either end nothing changes.
  virtual void StepPreset(int direction) = 0;
  // Load the library preset whose number the PresetSelector parameter holds, then set the
  // selector back to 0.
  virtual void LoadLibraryPreset() = 0;
  // Load button: read the file chosen in the load file selector.
  virtual void LoadChosenFile() = 0;
  // Save button: write the file chosen in the save file selector. Called only for a save
  // the user confirmed in the editor.
  virtual void SaveChosenFile() = 0;
  // One of the nine sound parameters a preset stores was changed (not by a preset load).
  virtual void SoundChanged() {}
  // A fresh scan of the preset folder (made without the instance mutex) replaces the one the
  // library steps and numbers by.
  virtual void UseCatalogue(PresetCatalogue /*catalogue*/) {}
  virtual PresetMenuContents MenuContents() const { return {}; }
};

}  // namespace fluvia
