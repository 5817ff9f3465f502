// fluvia-snapshot: draws the editor in memory and writes it to a PNG file, so its look can be
// checked (and reference pictures regenerated) without a display or a host.

#include <cstdio>
#include <memory>
#include <string>

#include "graphics/editor_layout.h"
#include "graphics/headless/graphics_headless.h"
#include "tools/snapshot/snapshot_core.h"
#include "tools/snapshot/snapshot_script.h"

using namespace fluvia;

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

  const PluginApi api = options.set == ArtworkSet::Small ? PluginApi::VST2 : PluginApi::VST3;
  snapshot::SnapshotCore core(api);
  for (const auto& [name, value] : options.values) {
    const int index = snapshot::FindParam(core, name.c_str());
    if (index < 0) {
      std::fprintf(stderr, "fluvia-snapshot: no parameter named '%s'\n", name.c_str());
      return 2;
    }
    core.GetParam(index)->SetValue(value);
  }

  auto owned = std::make_unique<IGraphicsHeadless>(core, options.set);
  IGraphicsHeadless& graphics = *owned;
  // No preset library here: the preset menu row is an inert stand-in, which looks the same.
  BuildEditorLayout(graphics, core, options.set, nullptr, "");
  core.AttachEditor(std::move(owned));
  graphics.OpenWindow(nullptr);
  graphics.Tick();

  for (const snapshot::Action& action : options.actions) {
    if (!snapshot::RunAction(graphics, action, error)) {
      std::fprintf(stderr, "fluvia-snapshot: %s\n", error.c_str());
      return 2;
    }
  }
  graphics.Tick();

  if (!graphics.SaveSurfacePng(options.output)) {
    std::fprintf(stderr, "fluvia-snapshot: cannot write %s\n", options.output.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", options.output.c_str(), graphics.Width(), graphics.Height());
  return 0;
}
