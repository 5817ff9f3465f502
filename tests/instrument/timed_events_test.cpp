// Events act at their own frame: the same sequence of timed notes, controllers and parameter
// points gives the same samples at every block size, through the base's buffer path.

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "engine/noise.h"
#include "instrument/fluvia.h"
#include "tests/instrument/instrument_fixture.h"
#include "tests/support/timed_scenarios.h"

namespace fluvia::testing {
namespace {

using test_support::StereoSamples;
using test_support::TimedScenario;

enum class Width { Float32, Float64 };

// Hands the events to the instrument as an adapter does and renders through its buffers.
class InstrumentSink : public test_support::TimedSink {
 public:
  InstrumentSink(Width width, int maxBlock, double rate = 48000.0)
      : plugin_(TestOptions()), width_(width) {
    plugin_.SetInputChannelConnections(0, 2, true);
    plugin_.SetOutputChannelConnections(0, 2, true);
    plugin_.SetSampleRate(rate);
    plugin_.SetMaxBlockSize(maxBlock);
    plugin_.ResetDsp();
  }
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) override {
    AudioThreadScope audio(plugin_);
    plugin_.ProcessMidi({offset, status, data1, data2});
  }
  void Param(int index, double normalised, int offset) override {
    AudioThreadScope audio(plugin_);
    plugin_.AddParamPoint(index, normalised, offset);
  }
  void Render(double* left, double* right, int frames) override {
    AudioThreadScope audio(plugin_);
    if (width_ == Width::Float64) {
      double* outs[] = {left, right};
      plugin_.AttachOutputBuffers(0, 2, outs);
      plugin_.ProcessBuffers(frames);
      return;
    }
    floats_[0].assign(size_t(frames), 0.f);
    floats_[1].assign(size_t(frames), 0.f);
    float* outs[] = {floats_[0].data(), floats_[1].data()};
    plugin_.AttachOutputBuffers(0, 2, outs);
    plugin_.ProcessBuffers(frames);
    for (int i = 0; i < frames; ++i) left[i] = floats_[0][size_t(i)], right[i] = floats_[1][size_t(i)];
  }
  Fluvia& plugin() { return plugin_; }

 private:
  Fluvia plugin_;
  Width width_;
  std::vector<float> floats_[2];
};

StereoSamples Play(const TimedScenario& scenario, int block, Width width, int maxBlock = 4096,
                   double rate = 48000.0) {
  SetNoiseState(kNoiseLoadState);
  InstrumentSink sink(width, maxBlock, rate);
  return test_support::PlayScenario(scenario, block, sink);
}

TEST(TimedEvents, EveryBlockSizeGivesTheSamplesOfOneFramePerBlock) {
  for (const TimedScenario& scenario : test_support::TimedScenarios()) {
    for (Width width : {Width::Float64, Width::Float32}) {
      SCOPED_TRACE(scenario.name + (width == Width::Float64 ? ", 64-bit" : ", 32-bit"));
      const StereoSamples reference = Play(scenario, 1, width);
      double energy = 0.0;
      for (double s : reference.left) energy += s * s;
      ASSERT_GT(energy, 0.0);
      for (int block : test_support::InvariantBlockSizes()) {
        EXPECT_EQ(test_support::FirstDifference(Play(scenario, block, width), reference), -1)
            << "block " << block;
      }
      // Host blocks longer than the announced maximum run in pieces; still the same.
      EXPECT_EQ(test_support::FirstDifference(Play(scenario, 4096, width, 333), reference), -1);
    }
  }
}

TEST(TimedEvents, AtHighRatesEveryBlockSizeGivesTheSamplesOfOneFramePerBlockToo) {
  // There the engine runs at the base rate and its output is upsampled: an event acts from
  // the first engine frame not yet rendered when it arrives, which depends only on its frame.
  for (double rate : {88200.0, 96000.0, 192000.0}) {
    for (const TimedScenario& scenario : test_support::TimedScenarios()) {
      SCOPED_TRACE(scenario.name + " at " + std::to_string(rate));
      const StereoSamples reference = Play(scenario, 1, Width::Float64, 4096, rate);
      for (int block : test_support::InvariantBlockSizes()) {
        EXPECT_EQ(test_support::FirstDifference(
                      Play(scenario, block, Width::Float64, 4096, rate), reference),
                  -1)
            << "block " << block;
      }
      EXPECT_EQ(test_support::FirstDifference(Play(scenario, 4096, Width::Float64, 333, rate),
                                              reference),
                -1);
    }
  }
}

TEST(TimedEvents, AtHighRatesANoteActsFromTheEngineFrameAfterItsFrame) {
  // At 192 kHz an engine frame makes host frames 4k to 4k + 3. A note at host frame 701, 702,
  // 703 or 704 acts from engine frame 176 (host frame 704), one at 700 from engine frame 175.
  auto drip = [](long frame) {
    TimedScenario scenario{"drip", {}, 4096};
    test_support::TimedEvent fade;
    fade.kind = test_support::TimedEvent::Kind::Param;
    fade.param = kAmpFadeInOut;
    scenario.events.push_back(fade);
    test_support::TimedEvent on;
    on.frame = frame, on.status = 0x90, on.data1 = 60, on.data2 = 100;
    scenario.events.push_back(on);
    return scenario;
  };
  for (int block : {1, 64, 1024}) {
    SCOPED_TRACE(block);
    const StereoSamples atEngineFrame = Play(drip(704), block, Width::Float64, 4096, 192000.0);
    for (size_t i = 0; i < 704; ++i) ASSERT_EQ(atEngineFrame.left[i], 0.0) << i;
    for (long frame : {701, 702, 703}) {
      EXPECT_EQ(test_support::FirstDifference(
                    Play(drip(frame), block, Width::Float64, 4096, 192000.0), atEngineFrame),
                -1)
          << frame;
    }
    EXPECT_NE(test_support::FirstDifference(Play(drip(700), block, Width::Float64, 4096, 192000.0),
                                            atEngineFrame),
              -1);
  }
}

TEST(TimedEvents, AShortNoteSoundsBetweenItsFramesAtAnyBlockSize) {
  // A 5 ms drip inside one 1024-frame block: silent before its frame, sounding after it.
  TimedScenario drip{"drip", {}, 4096};
  test_support::TimedEvent fade;
  fade.kind = test_support::TimedEvent::Kind::Param;
  fade.param = kAmpFadeInOut;
  drip.events.push_back(fade);
  test_support::TimedEvent on;
  on.frame = 700, on.status = 0x90, on.data1 = 60, on.data2 = 100;
  test_support::TimedEvent off = on;
  off.frame = 940, off.status = 0x80, off.data2 = 0;
  drip.events.push_back(on);
  drip.events.push_back(off);
  const StereoSamples out = Play(drip, 1024, Width::Float64);
  for (size_t i = 0; i < 700; ++i) ASSERT_EQ(out.left[i], 0.0) << i;
  double peak = 0.0;
  for (size_t i = 700; i < out.left.size(); ++i) peak = std::max(peak, std::abs(out.left[i]));
  EXPECT_GT(peak, 1e-3);
}

TEST(TimedEvents, WithEveryEventAtFrameZeroABlockIsRenderedWhole) {
  // The segments add nothing when nothing falls inside a block: the output equals the
  // engine rendering the block in one call.
  SetNoiseState(kNoiseLoadState);
  InstrumentSink sink(Width::Float64, 512);
  sink.Param(kAmpMainVolume, 0.8, 0);
  sink.Midi(0x90, 60, 100, 0);
  std::vector<double> left(512), right(512);
  sink.Render(left.data(), right.data(), 512);

  SetNoiseState(kNoiseLoadState);
  InstrumentSink direct(Width::Float64, 512);
  std::vector<double> l2(512), r2(512), none(512);
  double* ins[] = {none.data(), none.data()};
  double* outs[] = {l2.data(), r2.data()};
  {
    // What the base does on the audio thread, without the segments.
    AudioThreadScope audio(direct.plugin());
    direct.plugin().GetParam(kAmpMainVolume)->SetFromNormalised(0.8);
    direct.plugin().ParamChanged(kAmpMainVolume);
    direct.Midi(0x90, 60, 100, 0);
    direct.plugin().ProcessCallStarting();
    direct.plugin().ProcessDouble(ins, outs, 512);
  }
  EXPECT_EQ(left, l2);
  EXPECT_EQ(right, r2);
}

// Hands each block's events over in reverse, as a faulty host might.
class ReversingSink : public test_support::TimedSink {
 public:
  explicit ReversingSink(InstrumentSink& sink) : sink_(sink) {}
  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset) override {
    events_.push_back({true, status, data1, data2, 0, 0.0, offset});
  }
  void Param(int index, double normalised, int offset) override {
    events_.push_back({false, 0, 0, 0, index, normalised, offset});
  }
  void Render(double* left, double* right, int frames) override {
    for (auto e = events_.rbegin(); e != events_.rend(); ++e) {
      if (e->midi) {
        sink_.Midi(e->status, e->data1, e->data2, e->offset);
      } else {
        sink_.Param(e->index, e->normalised, e->offset);
      }
    }
    events_.clear();
    sink_.Render(left, right, frames);
  }

 private:
  struct Held {
    bool midi;
    uint8_t status, data1, data2;
    int index;
    double normalised;
    int offset;
  };
  InstrumentSink& sink_;
  std::vector<Held> events_;
};

TEST(TimedEventsBadInput, EventsOutOfOrderTakeEffectInFrameOrder) {
  for (const TimedScenario& scenario : test_support::TimedScenarios()) {
    SCOPED_TRACE(scenario.name);
    const StereoSamples ordered = Play(scenario, 512, Width::Float64);
    SetNoiseState(kNoiseLoadState);
    InstrumentSink sink(Width::Float64, 512);
    ReversingSink reversed(sink);
    const StereoSamples out = test_support::PlayScenario(scenario, 512, reversed);
    // Only events at one frame may change places: the scenarios have none of one kind
    // whose order matters there but the repeated points, whose last must still win.
    if (scenario.name != "events at one frame in both orders") {
      EXPECT_EQ(test_support::FirstDifference(out, ordered), -1);
    }
  }
}

TEST(TimedEventsBadInput, OffsetsBelowZeroActAtTheFirstFrameAndBeyondTheBlockAfterIt) {
  auto render = [](int noteOffset, int pointOffset, double* volumeAfter) {
    SetNoiseState(kNoiseLoadState);
    InstrumentSink sink(Width::Float64, 256);
    sink.Param(kAmpFadeInOut, 0.0, 0);
    sink.Midi(0x90, 60, 100, noteOffset);
    sink.Param(kAmpMainVolume, 0.1, pointOffset);
    std::vector<double> left(256), right(256);
    sink.Render(left.data(), right.data(), 256);
    *volumeAfter = sink.plugin().GetParam(kAmpMainVolume)->Normalised();
    return left;
  };
  double volume = 0.0;
  const std::vector<double> atZero = render(0, 0, &volume);
  EXPECT_EQ(render(-40, -3, &volume), atZero);
  EXPECT_DOUBLE_EQ(volume, 0.1);
  // A point beyond the block leaves the block alone and holds once it is rendered.
  double untouched = 0.0;
  const std::vector<double> withoutPoint = render(0, 100000, &untouched);
  EXPECT_DOUBLE_EQ(untouched, 0.1);
  SetNoiseState(kNoiseLoadState);
  InstrumentSink plain(Width::Float64, 256);
  plain.Param(kAmpFadeInOut, 0.0, 0);
  plain.Midi(0x90, 60, 100, 0);
  std::vector<double> left(256), right(256);
  plain.Render(left.data(), right.data(), 256);
  EXPECT_EQ(withoutPoint, left);
}

TEST(TimedEventsBadInput, AFullPointQueueStillDeliversEachParametersLastValue) {
  InstrumentSink sink(Width::Float64, 512);
  for (int i = 0; i < IPluginCore::kMaxParamPoints + 500; ++i) {
    sink.Param(kContainerSize, (i % 100) / 100.0, i % 512);
  }
  sink.Param(kContainerSize, 0.75, 511);
  sink.Param(kAmpMainVolume, 0.25, 0);  // a parameter without a queued point: dropped
  sink.Param(12345, 0.5, 0);            // no such parameter: ignored
  std::vector<double> left(512), right(512);
  sink.Render(left.data(), right.data(), 512);
  EXPECT_DOUBLE_EQ(sink.plugin().GetParam(kContainerSize)->Normalised(), 0.75);
  for (double s : left) ASSERT_TRUE(std::isfinite(s));
}

}  // namespace
}  // namespace fluvia::testing
