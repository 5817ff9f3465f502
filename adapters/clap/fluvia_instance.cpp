// The instrument as the CLAP module builds it: as the VST3 module does (the large artwork by
// default, both sets inside), with an editor embedded in the host's window.

#include "adapters/clap/instance_factory.h"
#include "graphics/editor_window_host.h"
#include "instrument/fluvia.h"

namespace fluvia {

std::unique_ptr<IPluginCore> CreateClapInstance() {
  FluviaOptions options;
  options.api = PluginApi::CLAP;
  options.artwork = ArtworkSet::Large;
  options.createGraphics = EditorWindowHost();
  return std::make_unique<Fluvia>(options);
}

}  // namespace fluvia
