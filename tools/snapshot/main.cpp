// fluvia-snapshot: draws the instrument's editor in memory and writes it to a PNG file, so its
// look can be checked (and reference pictures regenerated) without a display or a host.

#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/headless/graphics_headless.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/value_readout.h"
#include "instrument/fluvia.h"
#include "tools/snapshot/snapshot_script.h"

using namespace fluvia;

namespace {

int FindParam(const IPluginCore& plugin, const std::string& name) {
  for (int i = 0; i < plugin.NumParams(); ++i) {
    if (name == plugin.GetParam(i)->Name() || name == plugin.GetParam(i)->DisplayName()) return i;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  snapshot::Options options;
  std::string error;
  if (!snapshot::ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "fluvia-snapshot: %s\n%s", error.c_str(), snapshot::Usage());
    return 2;
  }
  if (options.help) {
    std::fputs(snapshot::Usage(), stdout);
    return 0;
  }

  FluviaOptions setup;
  setup.api = options.set == ArtworkSet::Small ? PluginApi::VST2 : PluginApi::VST3;
  setup.artwork = options.set;
  setup.sizePreference = false;  // the size asked for, not the one the person uses
  setup.createGraphics = HeadlessGraphicsFactory();
  setup.presetFolder = options.presetFolder;
  Fluvia instrument(setup);
  auto* graphics = dynamic_cast<IGraphicsHeadless*>(instrument.Editor());
  if (!graphics) {
    std::fprintf(stderr, "fluvia-snapshot: the instrument made no editor\n");
    return 1;
  }

  // Values arrive the way a host's would: the instrument acts on them (a PresetSelector value
  // loads that library preset) and the editor shows them.
  for (const auto& [name, value] : options.values) {
    const int index = FindParam(instrument, name);
    if (index < 0) {
      std::fprintf(stderr, "fluvia-snapshot: no parameter named '%s'\n", name.c_str());
      return 2;
    }
    instrument.GetParam(index)->SetValue(value);
    instrument.ParamChanged(index);
    graphics->SetParameterFromPlug(index, instrument.GetParam(index)->Value(), false);
  }

  graphics->OpenWindow(nullptr);
  graphics->Tick();
  for (const snapshot::Action& action : options.actions) {
    if (!snapshot::RunAction(*graphics, action, error)) {
      std::fprintf(stderr, "fluvia-snapshot: %s\n", error.c_str());
      return 2;
    }
  }
  while (graphics->Tick()) {
  }

  if (!graphics->SaveSurfacePng(options.output)) {
    std::fprintf(stderr, "fluvia-snapshot: cannot write %s\n", options.output.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", options.output.c_str(), graphics->Width(), graphics->Height());
  if (const IValueReadout* readout = instrument.EditorParts().readout) {
    const IBounds& plate = readout->Plate();
    if (!plate.Empty()) {
      std::printf("readout %d %d %d %d\n", plate.left, plate.top, plate.right, plate.bottom);
    }
  }
  return 0;
}
