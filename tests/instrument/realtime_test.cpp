// The audio path of the instrument in its steady state: no allocation and no system call per
// block, also while other threads hand changes over and hold the instance mutex, and two
// instances rendering on two threads at once (run under ThreadSanitizer).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "tests/instrument/instrument_fixture.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/system_call_watch.h"

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

TEST_F(InstrumentTest, ManyEventsPerBlockAllocateNothing) {
  Block();
  AllocationCounter counter;
  for (int b = 0; b < 200; ++b) {
    // A note or controller and a parameter point at every frame of a 64-frame block, ...
    for (int i = 0; i < 64; ++i) {
      Midi(i % 2 ? 0x80 : 0x90, uint8_t(60 + i % 12), 100, i);
      plugin.AddParamPoint(kAmpMainVolume, (i % 10) / 10.0, 63 - i);  // out of order
    }
    Block(64);
    // ... and a thousand of each in one block of the maximum size.
    for (int i = 0; i < 1000; ++i) {
      Midi(0xB0, 10, uint8_t(i % 128), (i * 7) % kBlock);
      plugin.AddParamPoint(kSoundfieldAmt, (i % 100) / 100.0, (i * 13) % kBlock);
    }
    Block(kBlock);
  }
  EXPECT_EQ(counter.Count(), 0u);
  EXPECT_EQ(plugin.PendingMidi().Size(), 0);
}

TEST_F(InstrumentTest, ProcessingMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  Block();
  std::vector<float> l(kBlock), r(kBlock);
  float* outs[] = {l.data(), r.data()};
  const std::vector<long> calls = test_support::SystemCallsOf([&] {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    for (int b = 0; b < 200; ++b) {
      for (int i = 0; i < 32; ++i) {
        plugin.ProcessMidi({i * 8, uint8_t(i % 2 ? 0x80 : 0x90), 60, 100});
        plugin.AddParamPoint(kContainerSize, (i % 10) / 10.0, i * 8 + 1);
      }
      plugin.ProcessMidi({5, 0xB0, 7, uint8_t(b % 128)});
      plugin.AttachOutputBuffers(0, 2, outs);
      plugin.ProcessBuffers(kBlock);
    }
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
}

// Another thread does what the user interface and the host do outside processing, as fast
// as it can, mostly holding the instance mutex: edits, restores, saves, host parameters from
// any thread, preset commands and program changes for the worker.
class OtherThreads {
 public:
  explicit OtherThreads(Fluvia& plugin) {
    thread_ = std::thread([this, &plugin] {
      StateChunk state;
      plugin.SerializeParams(state);
      for (int round = 0; !stop_; ++round) {
        std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
        plugin.SetParamFromEditor(kContainerSize, (round % 100) / 100.0);
        plugin.UnserializeParams(state, 0);
        StateChunk saved;
        plugin.SerializeParams(saved);
        plugin.SetParamWithoutWaiting(kAmpMainVolume, (round % 10) / 10.0);
        if (round % 50 == 0) plugin.SetParamFromEditor(kPresetSelector, 0.0);
        ++rounds_;
      }
    });
    while (rounds_ == 0) std::this_thread::yield();
  }
  ~OtherThreads() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> rounds_{0};
};

// One audio block with everything that hands work on: notes, a controller, automation, a
// preset command for the worker and, now and then, a program change.
constexpr int kBusyBlock = 256;

void BusyBlock(Fluvia& plugin, int b, float* const* outs) {
  AudioThreadScope audio(plugin);
  plugin.ProcessMidi({3, uint8_t(b % 2 ? 0x80 : 0x90), 60, 100});
  plugin.ProcessMidi({9, 0xB0, 7, uint8_t(b % 128)});
  plugin.AddParamPoint(kSoundfieldAmt, (b % 10) / 10.0, 17);
  if (b % 10 == 0) plugin.AddParamPoint(kPresetSelector, 3.0 / 10001.0, 0);
  if (b % 25 == 0) plugin.RestorePreset(0);
  plugin.AttachOutputBuffers(0, 2, outs);
  plugin.ProcessBuffers(kBusyBlock);
}

TEST_F(InstrumentTest, TheHandOverAllocatesNothingOnTheAudioThread) {
  std::vector<float> l(kBlock), r(kBlock);
  float* outs[] = {l.data(), r.data()};
  BusyBlock(plugin, 1, outs);
  OtherThreads others(plugin);
  AllocationCounter counter;
  for (int b = 0; b < 1000; ++b) BusyBlock(plugin, b, outs);
  EXPECT_EQ(counter.Count(), 0u);
}

TEST_F(InstrumentTest, TheHandOverMakesNoSystemCallAndNeverSleeps) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  std::vector<float> l(kBlock), r(kBlock);
  float* outs[] = {l.data(), r.data()};
  BusyBlock(plugin, 1, outs);
  OtherThreads others(plugin);
  long sleeps = -1;
  const std::vector<long> calls = test_support::SystemCallsOf(
      [&] {
        for (int b = 0; b < 500; ++b) BusyBlock(plugin, b, outs);
      },
      &sleeps);
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
  EXPECT_EQ(sleeps, 0);  // it never waited for the other thread's mutex
}

// At high rates the engine runs at the base rate and its output is upsampled: that path too
// allocates nothing and makes no system call, with notes and parameter points on odd frames
// cutting the blocks into segments that end inside engine frames.
class HighRateInstrumentTest : public InstrumentTest,
                               public ::testing::WithParamInterface<double> {
 protected:
  HighRateInstrumentTest() : l(kBlock), r(kBlock) {
    plugin.SetSampleRate(GetParam());
    plugin.ResetDsp();
    NoteOn(60);
    Block();
  }
  void Play() {
    float* outs[] = {l.data(), r.data()};
    AudioThreadScope audio(plugin);
    for (int b = 0; b < 300; ++b) {
      for (int i = 0; i < 16; ++i) {
        plugin.ProcessMidi({i * 16 + 1, uint8_t(i % 2 ? 0x80 : 0x90), 60, 100});
        plugin.AddParamPoint(kContainerSize, (i % 10) / 10.0, i * 16 + 7);
      }
      plugin.ProcessMidi({3, 0xB0, 12, uint8_t(b % 128)});
      plugin.AttachOutputBuffers(0, 2, outs);
      plugin.ProcessBuffers(kBlock);
    }
  }
  std::vector<float> l, r;
};

TEST_P(HighRateInstrumentTest, ProcessingAllocatesNothing) {
  AllocationCounter counter;
  Play();
  EXPECT_EQ(counter.Count(), 0u);
  EXPECT_GT(plugin.RateRenderer().EngineFrames(), 0);
}

TEST_P(HighRateInstrumentTest, ProcessingMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  const std::vector<long> calls = test_support::SystemCallsOf([this] { Play(); });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
}

INSTANTIATE_TEST_SUITE_P(Rates, HighRateInstrumentTest, ::testing::Values(96000.0, 192000.0, 384000.0));

TEST(SystemCallWatch, SeesASystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  const std::vector<long> calls = test_support::SystemCallsOf([] { (void)getpid(); });
  ASSERT_FALSE(calls.empty());
}

TEST(SystemCallWatch, SeesAWaitForALock) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  std::mutex lock;
  std::atomic<bool> held{false};
  std::thread holder([&] {
    std::lock_guard<std::mutex> hold(lock);
    held = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  while (!held) std::this_thread::yield();
  long sleeps = 0;
  test_support::SystemCallsOf([&] { std::lock_guard<std::mutex> wait(lock); }, &sleeps);
  holder.join();
  EXPECT_GT(sleeps, 0);
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

TEST(InstrumentThreadsTest, EditorAndAudioThreadsRunSideBySide) {
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
    AudioThreadScope audio(plugin);
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
