#pragma once
// The built Fluvia.clap, loaded the way a host loads it and driven only through clap_entry,
// the plug-in record and its extensions. Every test program runs with a home folder of its
// own, so that the person's settings and presets stay out of the tests and the tests' out of
// theirs.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "tools/claphost/clap_host.h"
#include "tools/claphost/clap_instance.h"

namespace fluvia::claptest {

// Where the build put the modules.
const char* ModulePath();
const char* Vst3BundlePath();
// The private home of this test program.
std::string TestHome();

std::unique_ptr<claphost::ClapModule> LoadModuleOrFail();

// The parameter index of the instrument's parameter is its CLAP identifier; the preset
// selector has the VST3 module's identifier.
constexpr clap::Id ParamId(int index) { return clap::Id(index); }
constexpr clap::Id kClapPresetParamId = 0x70727374;  // 'prst'

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
  double Peak() const;
  bool AllFinite() const;
  // The first frame whose level exceeds the threshold in either channel; -1 if none.
  int FirstFrameAbove(double threshold) const;
};

class ClapTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  claphost::ClapInstance& plugin() { return *plugin_; }
  const clap::Plugin* record() { return plugin_->Plugin(); }
  // A fresh load of the module and a new instance: the module's noise state starts over with
  // every load, so renders that must match each start this way.
  void Reload();
  // activate + start_processing; fails the test when the plug-in refuses.
  void Start(double sampleRate = 48000.0, uint32_t maxBlock = 512);
  // Processes `blocks` blocks of `frames` frames (32-bit), appending the output; the events
  // given before go with the first block.
  void Render(Stereo& out, int blocks, uint32_t frames);

  std::unique_ptr<claphost::ClapModule> module_;
  claphost::ClapHost host_;
  std::unique_ptr<claphost::ClapInstance> plugin_;
};

}  // namespace fluvia::claptest
