#pragma once
// The instrument's preset library as the instrument's parameter-change handler sees it: the
// five preset commands end here. The instrument clears its voices before a step or a menu
// load; everything else (numbers, files, the name display) is the library's.

namespace fluvia {

class IPresetLibrary {
 public:
  virtual ~IPresetLibrary() = default;

  // Previous / next button: move from the current preset number by direction (-1 or +1)
  // and load that library preset.
  virtual void StepPreset(int direction) = 0;
  // Load the library preset whose number the PresetSelector parameter holds, then set the
  // selector back to 0.
  virtual void LoadLibraryPreset() = 0;
  // Load button: read the file chosen in the load file selector.
  virtual void LoadChosenFile() = 0;
  // Save button: write the file chosen in the save file selector. Called only for a save
  // the user confirmed in the editor.
  virtual void SaveChosenFile() = 0;
};

}  // namespace fluvia
