// The application's threads meeting (run under ThreadSanitizer): the MIDI input's thread and
// the window's post while the audio thread renders and records.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/core/standalone_host.h"
#include "app/core/wav_recorder.h"
#include "instrument/fluvia.h"

namespace fluvia::app {
namespace {

TEST(AppThreads, PostingRenderingAndRecordingAtOnce) {
  FluviaOptions options;
  options.presetFolder = ::testing::TempDir() + "fluvia-app-thread-presets/";
  Fluvia instrument(options);
  WavRecorder recorder;
  StandaloneHost host(instrument, &recorder);
  host.Prepare(48000.0, 128);
  const std::string path = ::testing::TempDir() + "fluvia-app-threads.wav";
  std::string error;
  ASSERT_TRUE(recorder.Start(path, 48000, error)) << error;

  std::atomic<bool> done{false};
  std::atomic<int> posted{0};
  auto producer = [&](bool device) {
    for (int i = 0; !done; ++i) {
      const MidiMessage m{0, uint8_t(i % 2 ? 0x80 : 0x90), 60, 100};
      const bool ok = device ? host.PostFromDevice(m) : host.PostFromWindow(m);
      if (ok) ++posted;
      std::this_thread::yield();
    }
  };
  std::thread device(producer, true), window(producer, false);
  std::thread audio([&] {
    std::vector<float> l(128), r(128);
    for (int b = 0; b < 3000; ++b) host.Render(l.data(), r.data(), 128);
    done = true;
  });
  audio.join();
  device.join();
  window.join();
  recorder.Stop();
  WavRecorder::Status status;
  for (int i = 0; i < 500 && !status.finished; ++i) {
    status = recorder.Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(status.finished);
  EXPECT_EQ(status.frames + status.dropped, 3000u * 128u);
  EXPECT_GT(posted.load(), 0);
  EXPECT_EQ(host.FramesRendered(), 3000u * 128u);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace fluvia::app
