#pragma once
// The command line of fluvia-snapshot: which editor, which parameter values, which scripted
// interaction, which file.

#include <string>
#include <utility>
#include <vector>

#include "graphics/pix/pix_image_resource.h"

namespace fluvia {
class IGraphicsHeadless;
}

namespace fluvia::snapshot {

struct Action {
  enum Kind { Click, DoubleClick, Drag, Wheel, Hover };
  Kind kind;
  int row;          // the control, by its place in the editor's list
  int amount = 0;   // drag: vertical pixels (negative is up); wheel: notches
};

struct Options {
  ArtworkSet set = ArtworkSet::Large;
  std::string output = "fluvia-editor.png";
  std::vector<std::pair<std::string, double>> values;  // parameter name, real value
  std::vector<Action> actions;
  std::string presetFolder;  // empty: the instrument's own preset folder
  bool help = false;
};

// Parses argv; false with a message in `error` for anything it does not understand.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);
const char* Usage();

// Performs the action at the middle of the control's rectangle; false for a row that does
// not exist.
bool RunAction(IGraphicsHeadless& graphics, const Action& action, std::string& error);

}  // namespace fluvia::snapshot
