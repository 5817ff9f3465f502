// The application as the instrument's host: MIDI from the window and the MIDI input lands at
// the frame where it arrived, the block renders as an adapter renders it, and the audio path
// allocates nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/core/standalone_host.h"
#include "app/core/wav_recorder.h"
#include "engine/noise.h"
#include "instrument/fluvia.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/system_call_watch.h"

namespace fluvia::app {
namespace {

using Clock = StandaloneHost::Clock;
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

FluviaOptions Options() {
  FluviaOptions options;
  options.presetFolder = ::testing::TempDir() + "fluvia-app-presets/";
  return options;
}

Clock::duration Frames(double frames) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(frames / kRate));
}

MidiMessage Note(bool on, int key) {
  return {0, uint8_t(on ? 0x90 : 0x80), uint8_t(key), uint8_t(on ? 100 : 0)};
}

// The same instrument driven directly, as an adapter would with the offsets given.
std::vector<float> Reference(const std::vector<MidiMessage>& messages, int blocks) {
  Fluvia plugin(Options());
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetSampleRate(kRate);
  plugin.SetMaxBlockSize(kBlock);
  plugin.ResetDsp();
  plugin.ActivationChanged(true);
  SetNoiseState(kNoiseLoadState);
  std::vector<float> out;
  std::vector<float> l(kBlock), r(kBlock);
  float* outs[] = {l.data(), r.data()};
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  for (int b = 0; b < blocks; ++b) {
    if (b == 0) {
      for (const MidiMessage& m : messages) plugin.ProcessMidi(m);
    }
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(kBlock);
    out.insert(out.end(), l.begin(), l.end());
  }
  return out;
}

class HostTest : public ::testing::Test {
 protected:
  HostTest() : instrument(Options()), host(instrument, &recorder) { host.Prepare(kRate, kBlock); }

  // Renders `blocks` blocks, the first at `now`, and returns the left channel.
  std::vector<float> Render(Clock::time_point now, int blocks) {
    SetNoiseState(kNoiseLoadState);
    std::vector<float> out, l(kBlock), r(kBlock);
    for (int b = 0; b < blocks; ++b) {
      host.RenderAt(l.data(), r.data(), kBlock, now + Frames(b * kBlock));
      out.insert(out.end(), l.begin(), l.end());
    }
    return out;
  }

  WavRecorder recorder;
  Fluvia instrument;
  StandaloneHost host;
};

TEST_F(HostTest, MessagesLandWhereTheyArrivedOneBlockLater) {
  // The callback comes at `now`: its block stands for the block length before it.
  const Clock::time_point now = Clock::now() + std::chrono::seconds(1);
  const Clock::time_point blockStart = now - Frames(kBlock);
  host.PostFromDevice(Note(true, 60), blockStart + Frames(100.5));
  host.PostFromWindow(Note(false, 60), blockStart + Frames(180.5));
  const std::vector<float> played = Render(now, 8);
  MidiMessage on = Note(true, 60), off = Note(false, 60);
  on.offset = 100;
  off.offset = 180;
  EXPECT_EQ(played, Reference({on, off}, 8));
  EXPECT_EQ(host.FramesRendered(), 8u * kBlock);
  EXPECT_GE(host.FirstSoundFrame(), 100);
}

// The window thread holds the instance mutex while it edits, saves or loads a preset: the audio
// callback goes on without it, every block on time and as it would sound otherwise.
TEST_F(HostTest, TheAudioPathNeverWaitsForTheWindow) {
  instrument.SetParamFromEditor(kContainerSize, 0.6);  // waits for the next block start
  std::atomic<bool> held{false}, release{false};
  std::thread window([&] {
    std::lock_guard<std::recursive_mutex> lock(instrument.Mutex());
    held = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!held) std::this_thread::yield();
  const Clock::time_point now = Clock::now() + std::chrono::seconds(1);
  host.PostFromDevice(Note(true, 60), now - Frames(kBlock) + Frames(40.5));
  const std::vector<float> played = Render(now, 8);
  const bool stillHeld = held && !release;
  release = true;
  window.join();
  EXPECT_TRUE(stillHeld);

  Fluvia twin(Options());
  StandaloneHost twinHost(twin, nullptr);
  twinHost.Prepare(kRate, kBlock);
  twin.SetParamFromEditor(kContainerSize, 0.6);
  twinHost.PostFromDevice(Note(true, 60), now - Frames(kBlock) + Frames(40.5));
  SetNoiseState(kNoiseLoadState);
  std::vector<float> expected, l(kBlock), r(kBlock);
  for (int b = 0; b < 8; ++b) {
    twinHost.RenderAt(l.data(), r.data(), kBlock, now + Frames(b * kBlock));
    expected.insert(expected.end(), l.begin(), l.end());
  }
  EXPECT_EQ(played, expected);
  EXPECT_NE(played, Reference({}, 8));  // the note sounds
}

TEST_F(HostTest, LateAndEarlyMessagesStayInsideTheBlock) {
  const Clock::time_point now = Clock::now() + std::chrono::seconds(1);
  // Older than a block (the callback came late): the first frame. Stamped after the callback's
  // moment (it arrived while the block was being made): the last frame.
  host.PostFromWindow(Note(true, 62), now - Frames(5 * kBlock));
  host.PostFromDevice(Note(false, 62), now + Frames(40));
  MidiMessage on = Note(true, 62), off = Note(false, 62);
  on.offset = 0;
  off.offset = kBlock - 1;
  EXPECT_EQ(Render(now, 4), Reference({on, off}, 4));
}

TEST_F(HostTest, PrepareDropsWhatWasPostedForTheOldStream) {
  host.PostFromWindow(Note(true, 60));
  host.Prepare(kRate, kBlock);
  const std::vector<float> played = Render(Clock::now(), 4);
  EXPECT_EQ(played, std::vector<float>(played.size(), 0.0f));
  EXPECT_EQ(host.FirstSoundFrame(), -1);
}

TEST_F(HostTest, AFullQueueDropsMessagesInsteadOfWaiting) {
  for (std::size_t i = 0; i < TimedMidiQueue::kCapacity; ++i) {
    ASSERT_TRUE(host.PostFromDevice(Note(i % 2 == 0, 60)));
  }
  EXPECT_FALSE(host.PostFromDevice(Note(true, 60)));
  EXPECT_EQ(host.DroppedMessages(), 1u);
  Render(Clock::now(), 1);
  EXPECT_TRUE(host.PostFromDevice(Note(true, 60)));
}

TEST_F(HostTest, TheAudioPathAllocatesNothing) {
  std::string error;
  const std::string path = ::testing::TempDir() + "fluvia-app-alloc.wav";
  ASSERT_TRUE(recorder.Start(path, int(kRate), error)) << error;
  std::vector<float> l(kBlock), r(kBlock);
  host.PostFromWindow(Note(true, 60));
  host.Render(l.data(), r.data(), kBlock);  // the first block sets everything up
  {
    test_support::AllocationCounter counter;
    for (int b = 0; b < 500; ++b) {
      if (b % 20 == 0) host.PostFromDevice(Note(b % 40 == 0, 60));
      if (b % 7 == 0) host.PostFromWindow({0, 0xB0, 1, uint8_t(b % 128)});
      host.Render(l.data(), r.data(), kBlock);
    }
    EXPECT_EQ(counter.Count(), 0u);
  }
  recorder.Finish();
  std::remove(path.c_str());
}

// The callback's only look at the system is the clock, which the C library reads without
// entering the kernel; recording copies into the ring and nothing more.
TEST_F(HostTest, TheAudioPathMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  std::string error;
  const std::string path = ::testing::TempDir() + "fluvia-app-syscalls.wav";
  ASSERT_TRUE(recorder.Start(path, int(kRate), error)) << error;
  std::vector<float> l(kBlock), r(kBlock);
  host.PostFromWindow(Note(true, 60));
  host.Render(l.data(), r.data(), kBlock);
  const std::vector<long> calls = test_support::SystemCallsOf([&] {
    for (int b = 0; b < 300; ++b) {
      if (b % 20 == 0) host.PostFromDevice(Note(b % 40 == 0, 60));
      if (b % 7 == 0) host.PostFromWindow({0, 0xB0, 1, uint8_t(b % 128)});
      host.Render(l.data(), r.data(), kBlock);
    }
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
  recorder.Finish();
  std::remove(path.c_str());
}

}  // namespace
}  // namespace fluvia::app
