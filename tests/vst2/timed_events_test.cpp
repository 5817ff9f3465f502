// Timed MIDI through the VST2 effect record: the same samples at every block size, with the
// 32- and 64-bit replacing entries, as at one frame per block. VST2 parameter changes carry
// no frame and act at once, so only the scenarios' settings at the stream's start are sent.

#include <vector>

#include "tests/support/timed_scenarios.h"
#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

using test_support::StereoSamples;
using test_support::TimedScenario;

class Vst2Sink : public test_support::TimedSink {
 public:
  Vst2Sink(vst2host::Vst2Instance& plugin, bool wide) : plugin_(plugin), wide_(wide) {}
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) override {
    vst2host::SentMidi message;
    message.deltaFrames = offset;
    message.bytes[0] = status, message.bytes[1] = data1, message.bytes[2] = data2;
    pending_.push_back(message);
  }
  void Param(int index, double normalised, int offset) override {
    if (!started_ && offset == 0) {
      plugin_.Effect()->setParameter(plugin_.Effect(), index, float(normalised));
    }
  }
  void Render(double* left, double* right, int frames) override {
    started_ = true;
    if (!pending_.empty()) plugin_.SendMidi(pending_);
    pending_.clear();
    const size_t n = size_t(frames);
    if (wide_) {
      silence64_.assign(n, 0.0);
      double* inputs[2] = {silence64_.data(), silence64_.data()};
      double* outputs[2] = {left, right};
      plugin_.ProcessDouble(inputs, outputs, frames);
      return;
    }
    silence_.assign(n, 0.f);
    floats_[0].assign(n, 0.f);
    floats_[1].assign(n, 0.f);
    float* inputs[2] = {silence_.data(), silence_.data()};
    float* outputs[2] = {floats_[0].data(), floats_[1].data()};
    plugin_.ProcessReplacing(inputs, outputs, frames);
    for (size_t i = 0; i < n; ++i) left[i] = floats_[0][i], right[i] = floats_[1][i];
  }

 private:
  vst2host::Vst2Instance& plugin_;
  bool wide_;
  bool started_ = false;
  std::vector<vst2host::SentMidi> pending_;
  std::vector<float> silence_, floats_[2];
  std::vector<double> silence64_;
};

// Each rendering plays on its own copy of the module, so that its noise starts afresh.
StereoSamples Play(const TimedScenario& scenario, int block, bool wide) {
  auto module = LoadFreshCopy("timed");
  if (!module) return {};
  std::string error;
  auto plugin = vst2host::Vst2Instance::Create(*module, error);
  EXPECT_NE(plugin, nullptr) << error;
  if (!plugin) return {};
  plugin->Start(48000.0, block);
  Vst2Sink sink(*plugin, wide);
  return test_support::PlayScenario(scenario, block, sink);
}

TEST(Vst2TimedEvents, EveryBlockSizeGivesTheSamplesOfOneFramePerBlock) {
  for (const TimedScenario& scenario : test_support::TimedScenarios()) {
    for (bool wide : {true, false}) {
      SCOPED_TRACE(scenario.name + (wide ? ", 64-bit" : ", 32-bit"));
      const StereoSamples reference = Play(scenario, 1, wide);
      ASSERT_EQ(reference.left.size(), size_t(scenario.frames));
      double energy = 0.0;
      for (double s : reference.left) energy += s * s;
      ASSERT_GT(energy, 0.0);
      for (int block : test_support::InvariantBlockSizes()) {
        if (block == 1) continue;
        EXPECT_EQ(test_support::FirstDifference(Play(scenario, block, wide), reference), -1)
            << "block " << block;
      }
    }
  }
}

}  // namespace
}  // namespace fluvia::vst2test
