// Timed notes and parameter points through the VST3 interfaces: the same samples at every
// block size, at both sample sizes, as at one frame per block. (VST3 hosts deliver no MIDI
// controllers to this module, so the scenarios' controllers are left out here.)

#include <vector>

#include "tests/support/timed_scenarios.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test_support::StereoSamples;
using test_support::TimedScenario;

class Vst3Sink : public test_support::TimedSink {
 public:
  Vst3Sink(vst3host::Vst3Plugin& plugin, bool wide) : plugin_(plugin), wide_(wide) {}
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) override {
    if ((status & 0xF0) == 0x90 && data2 > 0) {
      plugin_.Events().NoteOn(data1, float(data2) / 127.0f, offset);
    } else if ((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90) {
      plugin_.Events().NoteOff(data1, offset);
    }
  }
  void Param(int index, double normalised, int offset) override {
    plugin_.Changes().Add(ParamID(index), offset, normalised);
  }
  void Render(double* left, double* right, int frames) override {
    if (wide_) {
      EXPECT_EQ(plugin_.Process(left, right, frames), kResultOk);
    } else {
      floats_[0].assign(size_t(frames), 0.f);
      floats_[1].assign(size_t(frames), 0.f);
      EXPECT_EQ(plugin_.Process(floats_[0].data(), floats_[1].data(), frames), kResultOk);
      for (int i = 0; i < frames; ++i) left[i] = floats_[0][size_t(i)], right[i] = floats_[1][size_t(i)];
    }
    plugin_.Events().Clear();
    plugin_.Changes().Clear();
  }

 private:
  vst3host::Vst3Plugin& plugin_;
  bool wide_;
  std::vector<float> floats_[2];
};

// Each rendering loads the module afresh, so that its noise starts where a new load starts.
StereoSamples Play(const TimedScenario& scenario, int block, bool wide) {
  std::unique_ptr<vst3host::Vst3Module> module = LoadModuleOrFail();
  if (!module) return {};
  vst3host::HostApplication host;
  std::string error;
  auto plugin = vst3host::Vst3Plugin::Create(*module, host, error);
  EXPECT_NE(plugin, nullptr) << error;
  if (!plugin) return {};
  EXPECT_TRUE(plugin->Start(48000.0, block, wide ? kSample64 : kSample32, error)) << error;
  Vst3Sink sink(*plugin, wide);
  StereoSamples out = test_support::PlayScenario(scenario, block, sink);
  plugin->Stop();
  return out;
}

TEST(Vst3TimedEvents, EveryBlockSizeGivesTheSamplesOfOneFramePerBlock) {
  for (const TimedScenario& scenario : test_support::TimedScenarios()) {
    for (bool wide : {true, false}) {
      SCOPED_TRACE(scenario.name + (wide ? ", 64-bit" : ", 32-bit"));
      const StereoSamples reference = Play(scenario, 1, wide);
      ASSERT_EQ(reference.left.size(), size_t(scenario.frames));
      ASSERT_EQ(test_support::FirstDifference(Play(scenario, 1, wide), reference), -1)
          << "a fresh load must play alike";
      for (int block : test_support::InvariantBlockSizes()) {
        if (block == 1) continue;
        EXPECT_EQ(test_support::FirstDifference(Play(scenario, block, wide), reference), -1)
            << "block " << block;
      }
    }
  }
}

}  // namespace
}  // namespace fluvia::vst3test
