// The instrument as the LV2 module builds it: the large editor by default (the small one when
// the screen is too small for it, or when the person chose it) with both artwork sets, in an
// X11 window inside the host's.

#include "adapters/lv2/instance_factory.h"
#include "graphics/x11/x11_factory.h"
#include "instrument/fluvia.h"

namespace fluvia {

std::unique_ptr<IPluginCore> CreateLv2Instance() {
  FluviaOptions options;
  options.api = PluginApi::LV2;
  options.artwork = ArtworkSet::Large;
  options.createGraphics = X11GraphicsFactory();
  return std::make_unique<Fluvia>(options);
}

}  // namespace fluvia
