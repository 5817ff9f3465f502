#include "tests/vst3/plugin_fixture.h"

#include <cmath>

namespace fluvia::vst3test {

using namespace Steinberg;
using namespace Steinberg::Vst;

const char* BundlePath() { return FLUVIA_TEST_VST3_BUNDLE; }

std::unique_ptr<vst3host::Vst3Module> LoadModuleOrFail() {
  std::string error;
  auto module = vst3host::Vst3Module::Load(BundlePath(), error);
  EXPECT_TRUE(module) << error;
  return module;
}

double Stereo::Peak() const {
  double peak = 0.0;
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) peak = std::max(peak, double(std::fabs(s)));
  }
  return peak;
}

bool Stereo::AllFinite() const {
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) {
      if (!std::isfinite(s)) return false;
    }
  }
  return true;
}

void PluginTest::SetUp() {
  module_ = LoadModuleOrFail();
  ASSERT_TRUE(module_);
  std::string error;
  plugin_ = vst3host::Vst3Plugin::Create(*module_, host_, error);
  ASSERT_TRUE(plugin_) << error;
}

void PluginTest::TearDown() {
  plugin_.reset();
  module_.reset();
}

void PluginTest::Start(double sampleRate, int maxBlock, int32 sampleSize) {
  std::string error;
  ASSERT_TRUE(plugin_->Start(sampleRate, maxBlock, sampleSize, error)) << error;
}

void PluginTest::Render(Stereo& out, int blocks, int frames) {
  std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int b = 0; b < blocks; ++b) {
    ASSERT_EQ(plugin_->Process(left.data(), right.data(), frames), kResultOk);
    plugin_->Events().Clear();
    plugin_->Changes().Clear();
    out.left.insert(out.left.end(), left.begin(), left.end());
    out.right.insert(out.right.end(), right.begin(), right.end());
  }
}

void PluginTest::NoteOn(int pitch, float velocity) {
  plugin_->Events().NoteOn(pitch, velocity, 0);
  Stereo ignored;
  Render(ignored, 1, 64);
}

}  // namespace fluvia::vst3test
