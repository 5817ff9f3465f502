#include "tools/render/parameter_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/engine_params.h"
#include "instrument/param_presentation.h"
#include "presets/preset_catalogue.h"

namespace fluvia::render {

std::string ParameterHelp() {
  std::string text =
      "Parameters for --param (real values; the knobs run from 0 to 1), by name or label:\n";
  for (const ShownParam& shown : kShownParams) {
    std::string line = std::string("  ") + shown.name;
    line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
    line += shown.label;
    if (shown.index == kPresetSelector) line += " (a library preset's number, see the README)";
    text += line + "\n";
  }
  text += "Stored with a project but not played by hand:\n ";
  int column = 1;
  for (int i = 0; i < kEngineParamCount; ++i) {
    if (ShownLabel(i)) continue;
    const std::string name = EngineParamTableRow(i).name;
    if (column + int(name.size()) + 1 > 78) {
      text += "\n ";
      column = 1;
    }
    text += " " + name;
    column += int(name.size()) + 1;
  }
  return text + "\n";
}

std::string ParameterNames() {
  std::string names;
  for (int i = 0; i < kEngineParamCount; ++i) {
    if (!names.empty()) names += ", ";
    names += EngineParamTableRow(i).name;
  }
  return names;
}

bool IsPresetSelector(const std::string& name) {
  return name == EngineParamTableRow(kPresetSelector).name || name == ShownLabel(kPresetSelector);
}

bool CheckPresetNumber(double value, const std::string& presetFolder, std::string& error) {
  const PresetCatalogue catalogue = PresetCatalogue::Scan(presetFolder);
  const double rounded = std::trunc(value + 0.5);
  if (rounded >= 1.0 && rounded <= 10000.0 && catalogue.ByNumber(int(rounded))) return true;

  char number[32];
  std::snprintf(number, sizeof number, "%g", value);
  error = std::string("PresetSelector=") + number + " names no preset: ";
  if (catalogue.Entries().empty()) {
    error += "there are no presets in " + presetFolder;
    return false;
  }
  error += "the presets in " + presetFolder + " are";
  const std::size_t shown = std::min<std::size_t>(catalogue.Entries().size(), 20);
  for (std::size_t i = 0; i < shown; ++i) {
    const CatalogueEntry& entry = catalogue.Entries()[i];
    error += (i ? ", " : " ") + std::to_string(entry.number) + " (" + entry.name + ")";
  }
  if (shown < catalogue.Entries().size()) {
    error += " and " + std::to_string(catalogue.Entries().size() - shown) + " more";
  }
  return false;
}

}  // namespace fluvia::render
