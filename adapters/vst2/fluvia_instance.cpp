// The instrument as the VST2 module builds it: the VST2 preset-bank behaviour, the small
// artwork set and an editor embedded in the host's window.

#include "adapters/vst2/instance_factory.h"
#include "adapters/vst2/editor_platform.h"
#include "instrument/fluvia.h"

namespace fluvia {

std::unique_ptr<IPluginCore> CreateVst2Instance() {
  FluviaOptions options;
  options.api = PluginApi::VST2;
  options.artwork = ArtworkSet::Small;
  options.createGraphics = EditorPlatform::WindowHost();
  return std::make_unique<Fluvia>(options);
}

}  // namespace fluvia
