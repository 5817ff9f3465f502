#pragma once
// PresetLibrary: the presets in the preset folder, the previous / next buttons, the preset
// menu's loads and the load and save buttons. The instrument's parameter-change handler calls
// it (always under the instance mutex, never on the audio thread); it reads and writes preset
// files, applies their values to the parameters and the editor, hands them over to the audio
// thread's engine, and shows the preset's name, marked once a sound parameter moves away from
// what was loaded or saved.
//
// Every control is optional: without an editor (the command-line renderer, tests) the chosen
// load and save files are kept here, and the shown name only here.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "presets/preset_catalogue.h"
#include "presets/preset_format.h"
#include "presets/preset_library.h"

namespace fluvia {

class IFileSelectorControl;
class IPluginCore;
class ITextControl;
class PresetNames;

struct PresetControls {
  ITextControl* nameDisplay = nullptr;
  IFileSelectorControl* loadSelector = nullptr;
  IFileSelectorControl* saveSelector = nullptr;
  // Tells the person in the editor why a load or save of theirs did nothing; called on the
  // editor's thread. None: nobody is told.
  std::function<void(const std::string&)> notify;
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
  // or be detached with SetControls first; the instrument owns both through its editor. The
  // names, when given, follow every catalogue the library takes.
  PresetLibrary(IPluginCore& plugin, std::string presetFolder,
                PresetControls controls = {}, std::shared_ptr<PresetNames> names = nullptr);

  // ---- IPresetLibrary -----------------------------------------------------------------------
  void StepPreset(int direction) override;
  void LoadLibraryPreset() override;
  void LoadChosenFile() override;
  void SaveChosenFile() override;
  void SoundChanged() override;
  void UseCatalogue(PresetCatalogue catalogue) override;
  PresetMenuContents MenuContents() const override;

  // Scans the preset folder now (file access: not under the instance mutex where it can be
  // helped).
  void Rescan() { UseCatalogue(PresetCatalogue::Scan(folder_)); }
  const PresetCatalogue& Catalogue() const { return catalogue_; }

  // ---- Files ------------------------------------------------------------------------------
  // Applies the nine stored values of the file to the parameters and the editor and hands
  // them over to the engine (the host is not told), and shows the file's name.
  PresetReadResult ReadPresetFile(const std::string& path);
  // Writes the nine stored values to the file, replacing it only by a complete new file, and
  // shows its name. False (and the name display unchanged) when the file could not be written.
  bool WritePresetFile(const std::string& path);

  // The file of preset number n: the fixed file of 1 to 106, the catalogue's file above; the
  // preset folder alone for numbers without a file.
  std::string PresetFilePath(int number) const;
  const std::string& Folder() const { return folder_; }

  // ---- State --------------------------------------------------------------------------------
  // The current preset's number in the library (0: none, or a file from elsewhere) and file.
  float CurrentPresetNumber() const { return currentNumber_; }
  const std::string& CurrentPresetPath() const { return currentPath_; }
  // The current preset's name (kept also when there is no display), without the mark.
  const std::string& ShownName() const { return shownName_; }
  // Whether the sound differs from the loaded or saved preset (the name is then marked).
  bool SoundDiffers() const { return differs_; }
  // The name display's text, with the mark (" *") once the sound differs from the preset.
  std::string DisplayedName() const;

  // The load / save selectors' chosen files, or the library's own when there is no selector.
  std::string ChosenLoadFile() const;
  void SetChosenLoadFile(const std::string& path);
  std::string ChosenSaveFile() const;
  void SetChosenSaveFile(const std::string& path);

  // For editors that are built (or rebuilt) after the library.
  void SetControls(const PresetControls& controls);

 private:
  using StoredValues = std::array<double, kStoredPresetParamCount>;

  StoredValues CurrentValues() const;
  void ShowName(const std::string& name);
  void UpdateDisplay();
  void SetSelector(double value);
  // The preset now current: its file and, when the library holds it, its number.
  void MakeCurrent(const std::string& path);
  // A load the person asked for in the editor: the preset, or a word why nothing changed.
  bool LoadForPerson(const std::string& path, const std::string& name);
  void Tell(const std::string& message) const;

  IPluginCore& plugin_;
  std::string folder_;
  PresetControls controls_;
  std::shared_ptr<PresetNames> names_;
  PresetCatalogue catalogue_;
  bool scanned_ = false;
  float currentNumber_ = 0.0f;
  std::string currentPath_;
  std::string shownName_;
  std::optional<StoredValues> presetValues_;  // as loaded or saved
  bool differs_ = false;
  std::string ownLoadFile_;
  std::string ownSaveFile_;
};

// The file a save writes for the name chosen in the dialog: exactly one preset extension
// (added when missing, repeats dropped), or the reason nothing may be saved.
struct PresetSaveTarget {
  enum class Problem { None, Cancelled, NoName, NameTooLong };
  std::string path;
  Problem problem = Problem::None;
};
inline constexpr std::size_t kMaxPresetNameBytes = 100;
PresetSaveTarget PresetSaveTargetFor(const std::string& chosenPath);

// What the save dialog offers: the user folder (made when missing) and the first free slot's
// file in it (else a "My Preset N" name). Reads the folder only: call it without locks.
void SuggestPresetSave(const std::string& presetFolder, std::string& file, std::string& directory);

}  // namespace fluvia
