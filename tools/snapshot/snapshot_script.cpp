#include "tools/snapshot/snapshot_script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "graphics/control.h"
#include "graphics/headless/graphics_headless.h"

namespace fluvia::snapshot {
namespace {

bool ParseInt(const char* text, int& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < -1000000 || value > 1000000) return false;
  out = int(value);
  return true;
}

bool ParseDouble(const char* text, double& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  out = std::strtod(text, &end);
  return *end == '\0' && std::isfinite(out);
}

}  // namespace

const char* Usage() {
  return "usage: fluvia-snapshot [options] [Name=value ...]\n"
         "Renders the Fluvia editor to a PNG file without a display. When a knob's readout\n"
         "shows in the end, its place is printed: readout LEFT TOP RIGHT BOTTOM.\n"
         "  --set large|small     artwork set: 1000 x 960 (VST3) or 500 x 480 (VST2); large\n"
         "  --out FILE            where to write the picture; fluvia-editor.png\n"
         "  --preset-folder DIR   the preset library's folder (for PresetSelector=N)\n"
         "  Name=value            a parameter's real value, e.g. SystemEnergyAmt=0.8;\n"
         "                        PresetSelector=N loads library preset N\n"
         "  --click ROW           click the middle of control ROW (0-21)\n"
         "  --dblclick ROW        double-click it\n"
         "  --drag ROW PIXELS     drag it vertically (negative is up), e.g. --drag 7 -40\n"
         "  --wheel ROW NOTCHES   turn the mouse wheel over it\n"
         "  --hover ROW           rest the pointer on it (a knob shows its value)\n"
         "Actions run in the order given, after the editor has been drawn once.\n";
}

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        error = arg + " needs " + what;
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--set") {
      const char* value = next("large or small");
      if (!value) return false;
      if (std::strcmp(value, "large") == 0) {
        options.set = ArtworkSet::Large;
      } else if (std::strcmp(value, "small") == 0) {
        options.set = ArtworkSet::Small;
      } else {
        error = std::string("unknown artwork set '") + value + "'";
        return false;
      }
    } else if (arg == "--preset-folder") {
      const char* value = next("a folder");
      if (!value) return false;
      options.presetFolder = value;
      if (!options.presetFolder.empty() && options.presetFolder.back() != '/') {
        options.presetFolder += '/';
      }
    } else if (arg == "--out") {
      const char* value = next("a file name");
      if (!value) return false;
      options.output = value;
    } else if (arg == "--click" || arg == "--dblclick" || arg == "--drag" || arg == "--wheel" ||
               arg == "--hover") {
      Action action{Action::Click, 0, 0};
      if (arg == "--dblclick") action.kind = Action::DoubleClick;
      if (arg == "--hover") action.kind = Action::Hover;
      if (arg == "--drag") action.kind = Action::Drag;
      if (arg == "--wheel") action.kind = Action::Wheel;
      const char* row = next("a control row");
      if (!row) return false;
      if (!ParseInt(row, action.row)) {
        error = arg + ": '" + row + "' is not a row number";
        return false;
      }
      if (action.kind == Action::Drag || action.kind == Action::Wheel) {
        const char* amount = next(action.kind == Action::Drag ? "pixels" : "notches");
        if (!amount) return false;
        if (!ParseInt(amount, action.amount)) {
          error = arg + ": '" + amount + "' is not a whole number";
          return false;
        }
      }
      options.actions.push_back(action);
    } else if (arg.find('=') != std::string::npos && arg[0] != '-') {
      const size_t eq = arg.find('=');
      double value = 0.0;
      if (!ParseDouble(arg.c_str() + eq + 1, value)) {
        error = "'" + arg + "': the value is not a number";
        return false;
      }
      options.values.emplace_back(arg.substr(0, eq), value);
    } else {
      error = "unknown argument '" + arg + "'";
      return false;
    }
  }
  return true;
}

bool RunAction(IGraphicsHeadless& graphics, const Action& action, std::string& error) {
  IControl* control = graphics.GetControl(action.row);
  if (!control) {
    error = "there is no control " + std::to_string(action.row);
    return false;
  }
  const IBounds& r = control->Rect();
  const int x = (r.left + r.right) / 2;
  const int y = (r.top + r.bottom) / 2;
  switch (action.kind) {
    case Action::Click: graphics.Click(x, y); break;
    case Action::DoubleClick: graphics.DoubleClick(x, y); break;
    case Action::Drag: graphics.Drag(x, y, x, y + action.amount, 4); break;
    case Action::Wheel: graphics.MouseWheel(x, y, action.amount * 120); break;
    case Action::Hover: graphics.MouseMove(x, y); break;
  }
  graphics.Tick();
  return true;
}

}  // namespace fluvia::snapshot
