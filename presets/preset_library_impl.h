#pragma once
// PresetLibrary: the numbered presets in the preset folder, the previous / next buttons, the
// preset menu's loads and the load and save buttons. The instrument's parameter-change handler
// calls it (always under the instance mutex, never on the audio thread); it reads and writes
// preset files, applies their values to the parameters and the editor, hands them over to the
// audio thread's engine, and shows the preset's name.
//
// Every control is optional: without an editor (the command-line renderer, tests) the chosen
// load and save files are kept here, and the shown name only here.

#include <string>

#include "presets/preset_library.h"

namespace fluvia {

class IFileSelectorControl;
class IPluginCore;
class ITextControl;

struct PresetControls {
  ITextControl* nameDisplay = nullptr;
  IFileSelectorControl* loadSelector = nullptr;
  IFileSelectorControl* saveSelector = nullptr;
};

// What a preset file read did.
enum class PresetReadResult {
  NotRead,  // no such file, a folder, an empty path, too large: nothing changed
  Blank,    // empty or only white space: nothing changed, the name stays
  Applied,  // the values found were applied and the file's name is shown
};

class PresetLibrary : public IPresetLibrary {
 public:
  // presetFolder ends in a separator (PresetFolder()). The controls must outlive the library
  // or be detached with SetControls first; the instrument owns both through its editor.
  PresetLibrary(IPluginCore& plugin, std::string presetFolder, PresetControls controls = {});

  // ---- IPresetLibrary -----------------------------------------------------------------------
  void StepPreset(int direction) override;
  void LoadLibraryPreset() override;
  void LoadChosenFile() override;
  void SaveChosenFile() override;

  // ---- Files ------------------------------------------------------------------------------
  // Applies the nine stored values of the file to the parameters and the editor and hands
  // them over to the engine (the host is not told), and shows the file's name.
  PresetReadResult ReadPresetFile(const std::string& path);
  // Writes the nine stored values to the file, replacing it only by a complete new file, and
  // shows its name. False (and the name display unchanged) when the file could not be written.
  bool WritePresetFile(const std::string& path);

  // The preset folder followed by the file of preset number n, or the folder alone.
  std::string PresetFilePath(int number) const;
  const std::string& Folder() const { return folder_; }

  // ---- State --------------------------------------------------------------------------------
  float CurrentPresetNumber() const { return currentPreset_; }
  // The name the preset name display shows (kept also when there is no display).
  const std::string& ShownName() const { return shownName_; }

  // The load / save selectors' chosen files, or the library's own when there is no selector.
  std::string ChosenLoadFile() const;
  void SetChosenLoadFile(const std::string& path);
  std::string ChosenSaveFile() const;
  void SetChosenSaveFile(const std::string& path);

  // For editors that are built (or rebuilt) after the library.
  void SetControls(const PresetControls& controls);

 private:
  void ShowName(const std::string& name);
  void SetSelector(double value);

  IPluginCore& plugin_;
  std::string folder_;
  PresetControls controls_;
  float currentPreset_ = 0.0f;
  std::string shownName_;
  std::string ownLoadFile_;
  std::string ownSaveFile_;
};

}  // namespace fluvia
