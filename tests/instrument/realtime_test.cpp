// The audio path of the instrument in its steady state: no allocation per block, and two
// instances rendering on two threads at once (run under ThreadSanitizer).

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "tests/instrument/instrument_fixture.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

using testing::InstrumentTest;
using test_support::AllocationCounter;

TEST_F(InstrumentTest, ProcessingAllocatesNothingInTheSteadyState) {
  NoteOn(60);
  Block();  // first block: everything is in place afterwards
  std::vector<float> l(kBlock), r(kBlock);
  float* outs[] = {l.data(), r.data()};
  AllocationCounter counter;
  for (int b = 0; b < 1000; ++b) {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    // Notes, controllers and automation within the queue's capacity, as a host sends them.
    if (b % 50 == 0) plugin.ProcessMidi({3, 0x80, 60, 0});
    if (b % 50 == 1) plugin.ProcessMidi({7, 0x90, 60, 90});
    if (b % 10 == 5) plugin.ProcessMidi({0, 0xB0, 1, uint8_t(b % 128)});
    plugin.GetParam(kContainerSize)->SetFromNormalised((b % 100) / 100.0);
    plugin.ParamChanged(kContainerSize);
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(kBlock);
  }
  EXPECT_EQ(counter.Count(), 0u);
}

TEST(InstrumentThreadsTest, TwoInstancesRenderOnTwoThreadsAtOnce) {
  auto play = [](double* energy) {
    Fluvia plugin{testing::TestOptions()};
    plugin.SetOutputChannelConnections(0, 2, true);
    plugin.SetSampleRate(44100.0);
    plugin.SetMaxBlockSize(128);
    plugin.ResetDsp();
    std::vector<float> l(128), r(128);
    float* outs[] = {l.data(), r.data()};
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    plugin.ProcessMidi({0, 0x90, 60, 100});
    for (int b = 0; b < 2000; ++b) {
      plugin.AttachOutputBuffers(0, 2, outs);
      plugin.ProcessBuffers(128);
      for (float s : l) *energy += double(s) * double(s);
    }
  };
  double energyA = 0.0, energyB = 0.0;
  std::thread a(play, &energyA), b(play, &energyB);
  a.join();
  b.join();
  EXPECT_GT(energyA, 0.0);
  EXPECT_GT(energyB, 0.0);
  EXPECT_TRUE(std::isfinite(energyA + energyB));
}

TEST(InstrumentThreadsTest, EditorAndAudioThreadsShareTheInstanceMutex) {
  Fluvia plugin{testing::TestOptions()};
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetMaxBlockSize(64);
  plugin.ResetDsp();
  std::atomic<bool> done{false};
  std::thread editor([&] {
    for (int i = 0; i < 2000; ++i) {
      plugin.SetParamFromEditor(kAmpMainVolume, (i % 100) / 100.0);
      StateChunk chunk;
      plugin.SerializeParams(chunk);
      plugin.UnserializeParams(chunk, 0);
    }
    done = true;
  });
  std::vector<float> l(64), r(64);
  float* outs[] = {l.data(), r.data()};
  while (!done) {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    plugin.ProcessMidi({0, 0x90, 60, 100});
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(64);
  }
  editor.join();
  EXPECT_GE(plugin.GetParam(kAmpMainVolume)->Value(), 0.0);
  EXPECT_LE(plugin.GetParam(kAmpMainVolume)->Value(), 1.0);
}

}  // namespace
}  // namespace fluvia
