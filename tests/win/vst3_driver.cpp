#include "tests/win/vst3_driver.h"

#include "instrument/param_presentation.h"

#include <algorithm>

#include "public.sdk/source/common/memorystream.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::modulecheck {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class Vst3Driver : public ModuleDriver {
 public:
  bool Load(const std::string& bundle, std::string& error) {
    module_ = vst3host::Vst3Module::Load(bundle, error);
    if (!module_) return false;
    plugin_ = vst3host::Vst3Plugin::Create(*module_, host_, error);
    return plugin_ != nullptr;
  }
  ~Vst3Driver() override {
    if (plugin_) plugin_->Stop();
    plugin_.reset();  // before the module that holds its code
  }

  bool Start(double sampleRate, int maxBlock, bool doubles, std::string& error) override {
    // A scripted render, which must repeat exactly: offline, as a host bouncing a project.
    return plugin_->Start(sampleRate, maxBlock, doubles ? kSample64 : kSample32, error, kOffline);
  }

  bool SetParameter(const std::string& name, double value) override {
    ParamID id = 0;
    // Fluvia lists its knobs by their labels; the script knows them by their names.
    if (!plugin_->FindParameter(std::string(HostParamName(name)), id)) return false;
    const ParamValue normalised = plugin_->Controller()->plainParamToNormalized(id, value);
    plugin_->Controller()->setParamNormalized(id, normalised);
    return plugin_->Changes().Add(id, 0, normalised);
  }

  void NoteOn(int note, int velocity, int offset) override {
    plugin_->Events().NoteOn(note, float(std::clamp(velocity, 0, 127)) / 127.0f, offset);
  }
  void NoteOff(int note, int offset) override { plugin_->Events().NoteOff(note, offset); }

  void Process(float* left, float* right, int frames) override { Run(left, right, frames); }
  void Process(double* left, double* right, int frames) override { Run(left, right, frames); }

  bool SaveState(std::vector<std::uint8_t>& state) override {
    MemoryStream stream;
    if (plugin_->Component()->getState(&stream) != kResultOk) return false;
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.getData());
    state.assign(data, data + stream.getSize());
    return true;
  }

  bool LoadState(const std::vector<std::uint8_t>& state) override {
    // The module is a single component, its own controller: the component's state is all.
    MemoryStream stream(const_cast<std::uint8_t*>(state.data()), TSize(state.size()));
    return plugin_->Component()->setState(&stream) == kResultOk;
  }

 private:
  template <typename Sample>
  void Run(Sample* left, Sample* right, int frames) {
    plugin_->Process(left, right, frames);
    plugin_->Events().Clear();
    plugin_->Changes().Clear();
  }

  vst3host::HostApplication host_;
  std::unique_ptr<vst3host::Vst3Module> module_;
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
};

}  // namespace

std::unique_ptr<ModuleDriver> LoadVst3(const std::string& bundle, std::string& error) {
  auto driver = std::make_unique<Vst3Driver>();
  if (!driver->Load(bundle, error)) return nullptr;
  return driver;
}

}  // namespace fluvia::modulecheck
