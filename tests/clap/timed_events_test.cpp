// Timed notes, MIDI controllers and parameter points through the CLAP interface: the same
// samples at every block size, at both sample sizes, as at one frame per block. The note port
// takes MIDI, so the scenarios play whole, controllers included.

#include <vector>

#include "tests/clap/clap_fixture.h"
#include "tests/support/timed_scenarios.h"

namespace fluvia::claptest {
namespace {

using test_support::StereoSamples;
using test_support::TimedScenario;

class ClapSink : public test_support::TimedSink {
 public:
  ClapSink(claphost::ClapInstance& plugin, bool wide) : plugin_(plugin), wide_(wide) {}
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) override {
    plugin_.Events().Midi(status, data1, data2, uint32_t(offset));
  }
  // The scenarios speak normalised values; a CLAP host sends the plain value of the range.
  void Param(int index, double normalised, int offset) override {
    clap::ParamInfo info{};
    for (uint32_t i = 0; i < plugin_.ParamCount(); ++i) {
      if (plugin_.ParamInfoAt(i, info) && info.id == ParamId(index)) break;
    }
    const double plain = info.minValue + normalised * (info.maxValue - info.minValue);
    plugin_.Events().ParamValue(ParamId(index), plain, uint32_t(offset));
  }
  void Render(double* left, double* right, int frames) override {
    if (wide_) {
      EXPECT_EQ(plugin_.Process(left, right, uint32_t(frames)), clap::kProcessContinue);
    } else {
      floats_[0].assign(size_t(frames), 0.f);
      floats_[1].assign(size_t(frames), 0.f);
      EXPECT_EQ(plugin_.Process(floats_[0].data(), floats_[1].data(), uint32_t(frames)),
                clap::kProcessContinue);
      for (int i = 0; i < frames; ++i) left[i] = floats_[0][size_t(i)], right[i] = floats_[1][size_t(i)];
    }
    plugin_.Events().Clear();
  }

 private:
  claphost::ClapInstance& plugin_;
  bool wide_;
  std::vector<float> floats_[2];
};

// Each rendering loads the module afresh, so that its noise starts where a new load starts.
StereoSamples Play(const TimedScenario& scenario, int block, bool wide) {
  std::unique_ptr<claphost::ClapModule> module = LoadModuleOrFail();
  if (!module) return {};
  claphost::ClapHost host;
  std::string error;
  auto plugin = claphost::ClapInstance::Create(*module, host, error);
  EXPECT_NE(plugin, nullptr) << error;
  if (!plugin) return {};
  EXPECT_TRUE(plugin->Start(48000.0, 1, uint32_t(block)));
  ClapSink sink(*plugin, wide);
  StereoSamples out = test_support::PlayScenario(scenario, block, sink);
  plugin.reset();
  return out;
}

TEST(ClapTimedEvents, EveryBlockSizeGivesTheSamplesOfOneFramePerBlock) {
  for (const TimedScenario& scenario : test_support::TimedScenarios()) {
    for (bool wide : {true, false}) {
      SCOPED_TRACE(scenario.name + (wide ? ", 64-bit" : ", 32-bit"));
      const StereoSamples reference = Play(scenario, 1, wide);
      ASSERT_EQ(reference.left.size(), size_t(scenario.frames));
      for (int block : test_support::InvariantBlockSizes()) {
        if (block == 1) continue;
        EXPECT_EQ(test_support::FirstDifference(Play(scenario, block, wide), reference), -1)
            << "block " << block;
      }
    }
  }
}

}  // namespace
}  // namespace fluvia::claptest
