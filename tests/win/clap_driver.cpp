#include "tests/win/clap_driver.h"

#include <algorithm>

#include "instrument/param_presentation.h"
#include "tools/claphost/clap_host.h"
#include "tools/claphost/clap_instance.h"

namespace fluvia::modulecheck {
namespace {

class ClapDriver : public ModuleDriver {
 public:
  bool Load(const std::string& path, std::string& error) {
    module_ = claphost::ClapModule::Load(path, error);
    if (!module_) return false;
    plugin_ = claphost::ClapInstance::Create(*module_, host_, error);
    return plugin_ != nullptr;
  }
  ~ClapDriver() override {
    plugin_.reset();  // before the module that holds its code
  }

  // The module has one port for either sample size; the host chooses per block.
  bool Start(double sampleRate, int maxBlock, bool /*doubles*/, std::string& error) override {
    // A scripted render, which must repeat exactly: offline, as a host bouncing a project.
    const auto* render = plugin_->Ext<clap::PluginRender>(clap::kExtRender);
    if (!render || !render->set(plugin_->Plugin(), clap::kRenderOffline)) {
      error = "the plug-in refused the offline render mode";
      return false;
    }
    if (plugin_->Start(sampleRate, 1, uint32_t(maxBlock))) return true;
    error = "the plug-in refused activation";
    return false;
  }

  // CLAP hosts speak plain values: the value goes with the next block, at its first frame.
  bool SetParameter(const std::string& name, double value) override {
    clap::Id id = 0;
    // Fluvia lists its knobs by their labels; the script knows them by their names.
    if (!plugin_->FindParam(std::string(HostParamName(name)), id)) return false;
    plugin_->Events().ParamValue(id, value, 0);
    return true;
  }

  void NoteOn(int note, int velocity, int offset) override {
    plugin_->Events().NoteOn(note, double(std::clamp(velocity, 0, 127)) / 127.0,
                             uint32_t(std::max(offset, 0)));
  }
  void NoteOff(int note, int offset) override {
    plugin_->Events().NoteOff(note, uint32_t(std::max(offset, 0)));
  }

  void Process(float* left, float* right, int frames) override { Run(left, right, frames); }
  void Process(double* left, double* right, int frames) override { Run(left, right, frames); }

  bool SaveState(std::vector<std::uint8_t>& state) override { return plugin_->SaveState(state); }
  bool LoadState(const std::vector<std::uint8_t>& state) override {
    return plugin_->LoadState(state);
  }

 private:
  template <typename Sample>
  void Run(Sample* left, Sample* right, int frames) {
    plugin_->Process(left, right, uint32_t(std::max(frames, 0)));
    plugin_->Events().Clear();
  }

  claphost::ClapHost host_{"fluvia-module-check"};
  std::unique_ptr<claphost::ClapModule> module_;
  std::unique_ptr<claphost::ClapInstance> plugin_;
};

}  // namespace

std::unique_ptr<ModuleDriver> LoadClap(const std::string& module, std::string& error) {
  auto driver = std::make_unique<ClapDriver>();
  if (!driver->Load(module, error)) return nullptr;
  return driver;
}

}  // namespace fluvia::modulecheck
