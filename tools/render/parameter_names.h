#pragma once
// The names --param takes and what they mean, for --help and for the message that answers a
// name fluvia-render does not know; and the check that a preset number names a preset.

#include <string>

namespace fluvia::render {

// Every parameter name --param takes, the ones a person plays first with their labels.
std::string ParameterHelp();
// One line: the valid names, for an error message.
std::string ParameterNames();

// Whether a --param name means the preset selector.
bool IsPresetSelector(const std::string& name);
// The preset a PresetSelector value asks for must exist in the preset folder (the library
// the instrument and the modules read): false with a message naming what there is otherwise.
bool CheckPresetNumber(double value, const std::string& presetFolder, std::string& error);

}  // namespace fluvia::render
