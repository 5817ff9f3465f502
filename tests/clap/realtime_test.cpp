// The steady state of processing allocates nothing, also with notes, MIDI and parameter
// values arriving, and neither does a flush on the audio thread; with the host saving and
// restoring the state on its main thread meanwhile, processing still allocates nothing, makes
// no system call and never sleeps.

#include <atomic>
#include <functional>
#include <thread>

#include "tests/clap/clap_fixture.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/system_call_watch.h"

namespace fluvia::claptest {
namespace {

using ClapRealtime = ClapTest;

TEST_F(ClapRealtime, ProcessAndFlushAllocateNothingInTheSteadyState) {
  {
    // The count is meaningful only if the module's allocations reach this counter.
    test_support::AllocationCounter counter;
    std::string error;
    auto other = claphost::ClapInstance::Create(*module_, host_, error);
    ASSERT_TRUE(other) << error;
    ASSERT_GT(counter.Count(), 0u) << "the module's operator new is not the counting one";
  }
  for (bool doubles : {false, true}) {
    SCOPED_TRACE(doubles ? "64-bit" : "32-bit");
    Start(48000.0, 512);
    std::vector<float> left32(512), right32(512);
    std::vector<double> left64(512), right64(512);
    auto block = [&](uint32_t frames) {
      return doubles ? plugin().Process(left64.data(), right64.data(), frames)
                     : plugin().Process(left32.data(), right32.data(), frames);
    };
    // Warm-up: the first blocks may size what later blocks reuse.
    for (int i = 0; i < 4; ++i) block(512);

    test_support::AllocationCounter counter;
    for (int i = 0; i < 1000; ++i) {
      claphost::InputEventList& events = plugin().Events();
      if (i % 50 == 0) events.NoteOn(60 + (i / 50) % 12, 0.8, uint32_t(i % 512));
      if (i % 50 == 25) events.NoteOff(60 + (i / 50) % 12, 0);
      if (i % 70 == 3) events.Midi(0xB0, 7, uint8_t(i % 128), 100);
      events.ParamValue(ParamId(kAmpMainVolume), 0.5 + 0.0001 * (i % 100), 0);
      events.ParamValue(ParamId(kSoundfieldAmt), 0.3, uint32_t(i % 512));
      ASSERT_EQ(block(i % 3 == 0 ? 512 : 333), clap::kProcessContinue);
      events.Clear();
      if (i % 100 == 99) {
        events.ParamValue(ParamId(kContainerSize), 0.2, 0);
        claphost::ClapHost::AudioThreadScope audio;
        plugin().Flush();
        events.Clear();
      }
    }
    EXPECT_EQ(counter.Count(), 0u);
    plugin().Stop();
  }
}

TEST_F(ClapRealtime, AnEventAndAPointAtEveryFrameAllocateNothing) {
  Start(48000.0, 64);
  std::vector<float> left(64), right(64);
  size_t allocations = 0;
  for (int b = 0; b < 200; ++b) {
    test_support::AllocationCounter counter;
    for (uint32_t f = 0; f < 64; ++f) {
      if (f % 2) {
        plugin().Events().NoteOff(60, f);
      } else {
        plugin().Events().NoteOn(60, 0.7, f);
      }
      plugin().Events().ParamValue(ParamId(kAmpMainVolume), (f % 10) / 10.0, f);
      plugin().Events().ParamValue(ParamId(kContainerSize), (f % 7) / 7.0, 63 - f);
    }
    ASSERT_EQ(plugin().Process(left.data(), right.data(), 64), clap::kProcessContinue);
    plugin().Events().Clear();
    if (b > 0) allocations += counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
}

TEST_F(ClapRealtime, ProcessMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  Start(48000.0, 256);
  std::vector<float> left(256), right(256);
  for (int i = 0; i < 4; ++i) plugin().Process(left.data(), right.data(), 256);
  const std::vector<long> calls = test_support::SystemCallsOf([&] {
    for (int b = 0; b < 200; ++b) {
      plugin().Events().Clear();
      if (b % 20 == 0) plugin().Events().NoteOn(60, 0.9, uint32_t(b % 256));
      if (b % 20 == 10) plugin().Events().NoteOff(60, 17);
      plugin().Events().ParamValue(ParamId(kAmpMainVolume), 0.4 + 0.001 * b, uint32_t(b % 256));
      plugin().Process(left.data(), right.data(), 256);
    }
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
}

// Runs `audio` on a thread of its own, the host's audio thread, while this thread (the host's
// main thread) saves and restores the state as fast as it can, as a host saving a project.
// Returns the number of save and restore rounds made meanwhile.
int WhileTheHostSavesAndRestores(claphost::ClapInstance& plugin, const std::function<void()>& audio) {
  std::atomic<bool> done{false};
  std::atomic<int> rounds{0};
  std::thread audioThread([&] {
    while (rounds == 0) std::this_thread::yield();  // the host is saving by now
    audio();
    done = true;
  });
  std::vector<uint8_t> state;
  while (!done) {
    state.clear();
    EXPECT_TRUE(plugin.SaveState(state));
    EXPECT_TRUE(plugin.LoadState(state));
    ++rounds;
  }
  audioThread.join();
  return rounds - 1;
}

TEST_F(ClapRealtime, WhileTheHostSavesAndRestoresProcessAllocatesNothingAndNeverWaits) {
  Start(48000.0, 256);
  std::vector<float> left(256), right(256);
  for (int i = 0; i < 4; ++i) plugin().Process(left.data(), right.data(), 256);
  auto busyBlock = [&](int b) {
    claphost::InputEventList& events = plugin().Events();
    events.Clear();
    if (b % 20 == 0) events.NoteOn(60, 0.9, uint32_t(b % 256));
    if (b % 20 == 10) events.NoteOff(60, 17);
    events.ParamValue(ParamId(kAmpMainVolume), 0.4 + 0.001 * (b % 100), uint32_t(b % 256));
    if (b % 50 == 0) events.ParamValue(kClapPresetParamId, 0.0, 0);  // a program change
    return plugin().Process(left.data(), right.data(), 256);
  };
  size_t allocations = 0;
  const int rounds = WhileTheHostSavesAndRestores(plugin(), [&] {
    test_support::AllocationCounter counter;
    for (int b = 0; b < 300; ++b) ASSERT_EQ(busyBlock(b), clap::kProcessContinue);
    allocations = counter.Count();
  });
  EXPECT_GT(rounds, 0);
  EXPECT_EQ(allocations, 0u);
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  long sleeps = -1;
  std::vector<long> calls;
  WhileTheHostSavesAndRestores(plugin(), [&] {
    calls = test_support::SystemCallsOf(
        [&] {
          for (int b = 0; b < 300; ++b) busyBlock(b);
        },
        &sleeps);
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
  EXPECT_EQ(sleeps, 0);
  plugin().Stop();
}

}  // namespace
}  // namespace fluvia::claptest
