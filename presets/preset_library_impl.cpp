#include "presets/preset_library_impl.h"

#include <array>
#include <cmath>
#include <utility>

#include "engine/engine_params.h"
#include "framework/plugin_core.h"
#include "graphics/file_selector_control.h"
#include "graphics/text_control.h"
#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

constexpr double kSelectorMinimum = -1.0;
constexpr double kSelectorMaximum = 10000.0;

double ClampSelector(double value) {
  if (value < kSelectorMinimum) return kSelectorMinimum;
  if (value > kSelectorMaximum) return kSelectorMaximum;
  return value;
}

// The preset number a selector value asks for: rounded half up. Only the library's range can
// name a file, so anything else may map to 0 (no file).
int PresetNumberOf(double selectorValue) {
  const double rounded = std::trunc(selectorValue + 0.5);
  if (!(rounded >= kSelectorMinimum && rounded <= kSelectorMaximum)) return 0;
  return static_cast<int>(rounded);
}

}  // namespace

PresetLibrary::PresetLibrary(IPluginCore& plugin, std::string presetFolder,
                             PresetControls controls)
    : plugin_(plugin),
      folder_(std::move(presetFolder)),
      controls_(controls),
      shownName_(kPresetsLibraryTitle) {}

void PresetLibrary::SetControls(const PresetControls& controls) {
  controls_ = controls;
  if (controls_.nameDisplay) controls_.nameDisplay->SetTextFromPlug(shownName_.c_str());
}

std::string PresetLibrary::PresetFilePath(int number) const {
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

void PresetLibrary::ShowName(const std::string& name) {
  shownName_ = name;
  if (controls_.nameDisplay) controls_.nameDisplay->SetTextFromPlug(name.c_str());
}

void PresetLibrary::SetSelector(double value) {
  // The engine's copy follows the parameter, which has the selector's range.
  if (IParameter* selector = plugin_.GetParam(kPresetSelector)) selector->SetValue(value);
  plugin_.HandOverParam(kPresetSelector);
}

void PresetLibrary::StepPreset(int direction) {
  SetSelector(double(currentPreset_));
  const IParameter* selector = plugin_.GetParam(kPresetSelector);
  const double from = selector ? selector->Value() : ClampSelector(double(currentPreset_));
  SetSelector(from + direction);
  LoadLibraryPreset();
}

void PresetLibrary::LoadLibraryPreset() {
  const IParameter* selector = plugin_.GetParam(kPresetSelector);
  const double requested = selector ? selector->Value() : 0.0;
  const std::string path = PresetFilePath(PresetNumberOf(requested));
  SetChosenLoadFile(path);
  ReadPresetFile(path);
  currentPreset_ = static_cast<float>(ClampSelector(requested));
  // The selector is a command: it rests at 0, so choosing the same preset again is a change.
  SetSelector(0.0);
}

void PresetLibrary::LoadChosenFile() { ReadPresetFile(ChosenLoadFile()); }

void PresetLibrary::SaveChosenFile() {
  const std::string path = ChosenSaveFile();
  if (!path.empty()) WritePresetFile(path);
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
  ShowName(PresetDisplayName(path));
  return PresetReadResult::Applied;
}

bool PresetLibrary::WritePresetFile(const std::string& path) {
  std::array<double, kStoredPresetParamCount> values{};
  const auto& stored = StoredPresetParams();
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const IParameter* param = plugin_.GetParam(stored[i].index);
    values[i] = param ? param->Value() : 0.0;
  }
  // A failed save must not look like a successful one: the name stays as it was.
  if (!WriteFileReplacing(path, PresetFileText(values))) return false;
  const std::string name = PresetDisplayName(path);
  if (!name.empty()) ShowName(name);
  return true;
}

}  // namespace fluvia
