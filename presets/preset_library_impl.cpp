#include "presets/preset_library_impl.h"

#include <cmath>
#include <utility>

#include "engine/engine_params.h"
#include "framework/plugin_core.h"
#include "graphics/file_selector_control.h"
#include "graphics/text_control.h"
#include "presets/preset_file_io.h"
#include "presets/preset_folder.h"
#include "presets/preset_names.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

constexpr double kSelectorMinimum = -1.0;
constexpr double kSelectorMaximum = 10000.0;

// The preset number a selector value asks for: rounded half up. Only the library's range can
// name a file, so anything else may map to 0 (no file).
int PresetNumberOf(double selectorValue) {
  const double rounded = std::trunc(selectorValue + 0.5);
  if (!(rounded >= kSelectorMinimum && rounded <= kSelectorMaximum)) return 0;
  return static_cast<int>(rounded);
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

constexpr std::size_t kDotExtensionLength = 13;  // ".fluviapreset"

bool EndsWithExtension(std::string_view name) {
  constexpr std::string_view kExt = ".fluviapreset";
  if (name.size() < kExt.size()) return false;
  for (std::size_t i = 0; i < kExt.size(); ++i) {
    char c = name[name.size() - kExt.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != kExt[i]) return false;
  }
  return true;
}

std::string_view WithoutTrailingBlanksAndDots(std::string_view name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  return name;
}

}  // namespace

PresetSaveTarget PresetSaveTargetFor(const std::string& chosenPath) {
  PresetSaveTarget target;
  if (chosenPath.empty()) {
    target.problem = PresetSaveTarget::Problem::Cancelled;
    return target;
  }
  const std::size_t slash = chosenPath.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : chosenPath.substr(0, slash + 1);
  std::string_view name = std::string_view(chosenPath).substr(folder.size());
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  // "Rain.fluviapreset.fluviapreset" is one preset, "Rain"; a name without the extension
  // gets it; one typed with it keeps it as typed.
  const std::string_view typedExtension =
      EndsWithExtension(name) ? name.substr(name.size() - kDotExtensionLength)
                              : std::string_view(".fluviapreset");
  std::string_view base = name;
  while (EndsWithExtension(base)) base = base.substr(0, base.size() - kDotExtensionLength);
  base = WithoutTrailingBlanksAndDots(base);
  if (base.empty()) {
    target.problem = PresetSaveTarget::Problem::NoName;
    return target;
  }
  if (base.size() > kMaxPresetNameBytes) {
    target.problem = PresetSaveTarget::Problem::NameTooLong;
    return target;
  }
  target.path = folder + std::string(base) + std::string(typedExtension);
  return target;
}

void SuggestPresetSave(const std::string& presetFolder, std::string& file, std::string& directory) {
  const PresetCatalogue catalogue = PresetCatalogue::Scan(presetFolder);
  // The installation lays the factory presets only; the user folder comes with the first save.
  MakeFolders(catalogue.UserFolder());
  file = catalogue.SuggestedSavePath();
  directory = PresetDialogFolder(catalogue.UserFolder());
#ifdef _WIN32
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
#endif
}

PresetLibrary::PresetLibrary(IPluginCore& plugin, std::string presetFolder,
                             PresetControls controls, std::shared_ptr<PresetNames> names)
    : plugin_(plugin),
      folder_(std::move(presetFolder)),
      controls_(std::move(controls)),
      names_(std::move(names)),
      catalogue_(folder_),
      shownName_(kPresetsLibraryTitle) {}

void PresetLibrary::SetControls(const PresetControls& controls) {
  controls_ = controls;
  UpdateDisplay();
}

void PresetLibrary::UseCatalogue(PresetCatalogue catalogue) {
  catalogue_ = std::move(catalogue);
  scanned_ = true;
  if (names_) names_->Update(catalogue_);
  // The current preset keeps its file; its number follows the new numbering.
  if (!currentPath_.empty()) {
    const CatalogueEntry* entry = catalogue_.ByPath(currentPath_);
    if (entry) currentNumber_ = float(entry->number);
  }
}

PresetMenuContents PresetLibrary::MenuContents() const {
  PresetMenuContents contents;
  contents.catalogue = catalogue_;
  const CatalogueEntry* entry = catalogue_.ByPath(currentPath_);
  contents.current = entry ? entry->number : 0;
  return contents;
}

std::string PresetLibrary::PresetFilePath(int number) const {
  if (number > kLastPresetNumber) {
    if (const CatalogueEntry* entry = catalogue_.ByNumber(number)) return entry->path;
    return folder_;
  }
  return LibraryPresetPath(folder_, number);
}

std::string PresetLibrary::ChosenLoadFile() const {
  return controls_.loadSelector ? controls_.loadSelector->ChosenFile() : ownLoadFile_;
}

void PresetLibrary::SetChosenLoadFile(const std::string& path) {
  if (controls_.loadSelector) controls_.loadSelector->SetChosenFile(path);
  else ownLoadFile_ = path;
}

std::string PresetLibrary::ChosenSaveFile() const {
  return controls_.saveSelector ? controls_.saveSelector->ChosenFile() : ownSaveFile_;
}

void PresetLibrary::SetChosenSaveFile(const std::string& path) {
  if (controls_.saveSelector) controls_.saveSelector->SetChosenFile(path);
  else ownSaveFile_ = path;
}

std::string PresetLibrary::DisplayedName() const {
  return differs_ ? shownName_ + ITextControl::kMark : shownName_;
}

void PresetLibrary::UpdateDisplay() {
  if (!controls_.nameDisplay) return;
  controls_.nameDisplay->SetTextFromPlug(shownName_.c_str());
  controls_.nameDisplay->SetMarked(differs_);
}

void PresetLibrary::ShowName(const std::string& name) {
  shownName_ = name;
  UpdateDisplay();
}

void PresetLibrary::Tell(const std::string& message) const {
  // Only what the person did in the editor is worth a word there; a host's or a controller's
  // change that loads nothing is not theirs to explain.
  if (controls_.notify && plugin_.ChangeSource() == ParamChangeSource::Editor) {
    controls_.notify(message);
  }
}

void PresetLibrary::SetSelector(double value) {
  // The engine's copy follows the parameter, which has the selector's range.
  if (IParameter* selector = plugin_.GetParam(kPresetSelector)) selector->SetValue(value);
  plugin_.HandOverParam(kPresetSelector);
}

PresetLibrary::StoredValues PresetLibrary::CurrentValues() const {
  StoredValues values{};
  const auto& stored = StoredPresetParams();
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const IParameter* param = plugin_.GetParam(stored[i].index);
    values[i] = param ? param->Value() : 0.0;
  }
  return values;
}

void PresetLibrary::MakeCurrent(const std::string& path) {
  currentPath_ = path;
  const CatalogueEntry* entry = catalogue_.ByPath(path);
  currentNumber_ = entry ? float(entry->number) : 0.0f;
}

void PresetLibrary::SoundChanged() {
  // Runs under the instance mutex after a sound parameter moved (the worker's, for a
  // controller on the audio thread): only the mark changes here.
  if (!presetValues_) return;
  const bool differs = CurrentValues() != *presetValues_;
  if (differs == differs_) return;
  differs_ = differs;
  if (controls_.nameDisplay) controls_.nameDisplay->SetMarked(differs_);
}

bool PresetLibrary::LoadForPerson(const std::string& path, const std::string& name) {
  switch (ReadPresetFile(path)) {
    case PresetReadResult::Applied:
      SetChosenLoadFile(path);
      MakeCurrent(path);
      // The host shows the knobs too: a load the person made in the editor (on its thread)
      // has it read them again. A host's own change needs no telling.
      if (plugin_.ChangeSource() == ParamChangeSource::Editor) plugin_.ReportPresetChange();
      return true;
    case PresetReadResult::Blank:
      Tell(Quoted(name) + " holds no preset: nothing was changed.");
      return false;
    case PresetReadResult::NotRead:
      Tell(Quoted(name) + " could not be loaded: the file is gone or cannot be read.\n"
           "The preset menu lists what is there now.");
      return false;
  }
  return false;
}

void PresetLibrary::StepPreset(int direction) {
  if (!scanned_) Rescan();
  const std::vector<CatalogueEntry>& entries = catalogue_.Entries();
  const int count = int(entries.size());
  int target = -1;
  if (const CatalogueEntry* current = catalogue_.ByPath(currentPath_)) {
    target = catalogue_.IndexOf(current) + direction;
  } else if (currentNumber_ > 0.0f) {
    // The current preset's file is gone: step from where it stood.
    const int number = int(currentNumber_);
    const bool namedFile = number > kLastPresetNumber;
    const std::size_t slash = currentPath_.find_last_of("/\\");
    const std::string fileName =
        slash == std::string::npos ? currentPath_ : currentPath_.substr(slash + 1);
    const int after = catalogue_.InsertionIndex(
        number, namedFile ? PresetPlace::UserFile : PresetPlace::UserSlot, fileName);
    target = direction > 0 ? after : after - 1;
  } else {
    // Nothing of the library is current: next starts at the first preset, previous at the last.
    target = direction > 0 ? 0 : count - 1;
  }
  if (target < 0 || target >= count) return;  // at an end: everything stays as it is
  const CatalogueEntry entry = entries[std::size_t(target)];
  LoadForPerson(entry.path, entry.name);
}

void PresetLibrary::LoadLibraryPreset() {
  const IParameter* selector = plugin_.GetParam(kPresetSelector);
  const int number = PresetNumberOf(selector ? selector->Value() : 0.0);
  if (number > kLastPresetNumber && !scanned_) Rescan();
  const CatalogueEntry* entry = catalogue_.ByNumber(number);
  std::string path;
  std::string name;
  if (number >= kWelcomePresetNumber && number <= kLastPresetNumber) {
    path = LibraryPresetPath(folder_, number);
    name = LibraryPresetName(number);
  } else if (entry) {
    path = entry->path;
    name = entry->name;
  }
  if (!path.empty()) LoadForPerson(path, name);
  // The selector is a command: it rests at 0, so choosing the same preset again is a change.
  SetSelector(0.0);
}

void PresetLibrary::LoadChosenFile() {
  const std::string path = ChosenLoadFile();
  if (path.empty()) return;  // the dialog was cancelled
  LoadForPerson(path, PresetMenuName(path));
}

void PresetLibrary::SaveChosenFile() {
  const PresetSaveTarget target = PresetSaveTargetFor(ChosenSaveFile());
  switch (target.problem) {
    case PresetSaveTarget::Problem::Cancelled:
      return;
    case PresetSaveTarget::Problem::NoName:
      Tell("Nothing was saved: a preset needs a name.\n"
           "Type one in the Save dialog, for example My Stream.");
      return;
    case PresetSaveTarget::Problem::NameTooLong:
      Tell("Nothing was saved: the name is longer than " + std::to_string(kMaxPresetNameBytes) +
           " characters.\nPlease choose a shorter one.");
      return;
    case PresetSaveTarget::Problem::None:
      break;
  }
  const std::string name = PresetMenuName(target.path);
  // The dialog asked before replacing the name it returned; a file under the name completed
  // here was never offered for replacing, so it stays.
  if (target.path != ChosenSaveFile() && PathExists(target.path)) {
    Tell("Nothing was saved: " + Quoted(name) + " already exists.\n"
         "Choose it in the Save dialog to replace it, or type another name.");
    return;
  }
  if (!WritePresetFile(target.path)) {
    Tell("Nothing was saved: " + Quoted(name) + " could not be written.\n"
         "The folder may be missing, read-only or full.");
    return;
  }
  if (!scanned_) Rescan();
  catalogue_.Add(target.path);
  if (names_) names_->Update(catalogue_);
  MakeCurrent(target.path);
  SetChosenLoadFile(target.path);
  SetChosenSaveFile(target.path);
}

PresetReadResult PresetLibrary::ReadPresetFile(const std::string& path) {
  const auto text = ReadSmallFile(path, kMaxPresetFileBytes);
  if (!text) return PresetReadResult::NotRead;
  // The whole file is the preset text: line breaks between (or inside) elements are just
  // text, so files edited by hand or ending in a line break load like written ones.
  if (IsBlankPresetText(*text)) return PresetReadResult::Blank;

  const PresetValues values = ParsePresetText(*text);
  const auto& stored = StoredPresetParams();
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (!values[i]) continue;
    IParameter* param = plugin_.GetParam(stored[i].index);
    if (!param) continue;
    param->SetValue(*values[i]);
    plugin_.HandOverParam(stored[i].index);
    // The parameter's clamped value, so the knob never sees more than its range.
    if (IEditorLink* editor = plugin_.Editor()) {
      editor->SetParameterFromPlug(stored[i].index, param->Normalised(), true);
    }
  }
  presetValues_ = CurrentValues();
  differs_ = false;
  ShowName(PresetMenuName(path));
  return PresetReadResult::Applied;
}

bool PresetLibrary::WritePresetFile(const std::string& path) {
  const StoredValues values = CurrentValues();
  // A failed save must not look like a successful one: the name stays as it was.
  if (!WriteFileReplacing(path, PresetFileText(values))) return false;
  const std::string name = PresetMenuName(path);
  if (!name.empty()) {
    presetValues_ = values;
    differs_ = false;
    ShowName(name);
  }
  return true;
}

}  // namespace fluvia
