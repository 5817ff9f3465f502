#pragma once
// The built Fluvia.vst3, loaded the way a host loads it and driven through the VST3 interfaces
// only.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::vst3test {

// Where the build put the bundle.
const char* BundlePath();

// Loads the bundle; a failure ends the test with the loader's reason.
std::unique_ptr<vst3host::Vst3Module> LoadModuleOrFail();

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
  double Peak() const;
  bool AllFinite() const;
};

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Steinberg::Vst::IComponent* component() { return plugin_->Component(); }
  Steinberg::Vst::IAudioProcessor* processor() { return plugin_->Processor(); }
  Steinberg::Vst::IEditController* controller() { return plugin_->Controller(); }
  vst3host::Vst3Plugin& plugin() { return *plugin_; }

  // Sets up processing and activates; fails the test when the plug-in refuses.
  void Start(double sampleRate = 48000.0, int maxBlock = 512,
             Steinberg::int32 sampleSize = Steinberg::Vst::kSample32);
  // Processes `blocks` blocks of `frames` frames, appending the output.
  void Render(Stereo& out, int blocks, int frames);
  // One block with the given note events queued at its start.
  void NoteOn(int pitch = 60, float velocity = 1.0f);
  double Normalised(Steinberg::Vst::ParamID id) { return controller()->getParamNormalized(id); }

  std::unique_ptr<vst3host::Vst3Module> module_;
  vst3host::HostApplication host_;
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
};

}  // namespace fluvia::vst3test
