// The state extension and the rendering mode.

#include "adapters/clap/clap_state.h"
#include "adapters/clap/extension_tables.h"
#include "adapters/clap/plugin_clap.h"

namespace fluvia {

bool IPluginCLAP::SaveState(const clap::OStream* stream) {
  OnMainThread("state.save");  // noted in the host's log; the mutex keeps the save sound
  return SaveClapState(*core_, stream);
}

bool IPluginCLAP::LoadState(const clap::IStream* stream) {
  OnMainThread("state.load");
  return LoadClapState(*core_, stream);
}

const clap::PluginState kClapState = {
    [](const clap::Plugin* p, const clap::OStream* stream) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->SaveState(stream);
    },
    [](const clap::Plugin* p, const clap::IStream* stream) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->LoadState(stream);
    },
};

const clap::PluginRender kClapRender = {
    [](const clap::Plugin*) { return false; },
    [](const clap::Plugin* p, clap::RenderMode mode) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->SetRenderMode(mode);
    },
};

}  // namespace fluvia
