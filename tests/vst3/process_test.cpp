// Processing as a host drives it: notes, parameter queues, both sample sizes, block sizes,
// silence flags, sample rates, threads and suspend/resume.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "tests/vst3/byte_stream.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kPresetId = 0x70727374;  // 'prst'

using Vst3Process = PluginTest;

TEST_F(Vst3Process, ANoteSoundsAndSetsTheVoiceParameters) {
  Start();
  Stereo before;
  Render(before, 4, 512);
  EXPECT_EQ(before.Peak(), 0.0);
  EXPECT_EQ(plugin().LastSilenceFlags(), 3u);

  plugin().Events().NoteOn(60, 0.5f, 10);
  Stereo sound;
  Render(sound, 40, 512);
  EXPECT_TRUE(sound.AllFinite());
  EXPECT_GT(sound.Peak(), 1e-3);
  EXPECT_EQ(plugin().LastSilenceFlags(), 0u);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 1.0);
  EXPECT_NEAR(Normalised(kVoice00_NoteNumber), 60.0 / 127.0, 1e-12);
  EXPECT_NEAR(Normalised(kVoice00_NoteVelocity), 63.0 / 127.0, 1e-12);  // 0.5 x 127, truncated

  plugin().Events().NoteOff(60, 0);
  Stereo release;
  Render(release, 1, 512);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 0.0);
}

TEST_F(Vst3Process, NoteEventsBecomeMidiForChannelOneOnly) {
  Start();
  struct Case {
    const char* what;
    int channel;
    int pitch;
    float velocity;
    double gate;
    double velocityParam;
  };
  const Case table[] = {
      {"full velocity", 0, 64, 1.0f, 1.0, 1.0},
      {"second channel is filtered", 1, 64, 1.0f, 0.0, 64.0 / 127.0},
      {"velocity 0 is a note off", 0, 64, 0.0f, 0.0, 64.0 / 127.0},
      {"NaN velocity counts as 0", 0, 64, std::nanf(""), 0.0, 64.0 / 127.0},
      {"velocity above 1 is clamped", 0, 64, 3.0f, 1.0, 1.0},
      {"pitch outside MIDI is dropped", 0, 200, 1.0f, 0.0, 64.0 / 127.0},
      {"negative pitch is dropped", 0, -3, 1.0f, 0.0, 64.0 / 127.0},
      {"channel outside MIDI is dropped", 20, 64, 1.0f, 0.0, 64.0 / 127.0},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.what);
    // All notes off, velocity back to its default, then the event under test.
    plugin().Changes().Add(kVoice00_NoteVelocity, 0, 64.0 / 127.0);
    plugin().Changes().Add(kVoice00_NoteGate, 0, 0.0);
    Stereo ignored;
    Render(ignored, 1, 64);
    plugin().Events().NoteOn(c.pitch, c.velocity, 0, c.channel);
    Render(ignored, 1, 64);
    EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), c.gate);
    EXPECT_NEAR(Normalised(kVoice00_NoteVelocity), c.velocityParam, 1e-12);
    plugin().Events().NoteOff(c.pitch, 0, c.channel);
    Render(ignored, 1, 64);
  }
}

TEST_F(Vst3Process, ANoteOnAndOffInOneBlockSoundsThenReleases) {
  Start();
  plugin().Changes().Add(kAmpFadeInOut, 0, 0.0);
  plugin().Events().NoteOn(60, 1.0f, 0);
  plugin().Events().NoteOff(60, 100);
  Stereo out;
  Render(out, 1, 256);
  EXPECT_GT(out.Peak(), 0.0);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 0.0);
  Stereo tail;
  Render(tail, 400, 256);
  Stereo end;
  Render(end, 1, 256);
  EXPECT_LT(end.Peak(), 1e-4);
}

TEST(Vst3EventOffsets, AnEventBeyondTheBlockSoundsInTheBlockHoldingItsFrame) {
  for (const int32 sampleSize : {kSample32, kSample64}) {
    SCOPED_TRACE(sampleSize == kSample32 ? "32-bit" : "64-bit");
    std::unique_ptr<vst3host::Vst3Module> module = LoadModuleOrFail();
    ASSERT_NE(module, nullptr);
    vst3host::HostApplication host;
    std::string error;
    auto plugin = vst3host::Vst3Plugin::Create(*module, host, error);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_TRUE(plugin->Start(48000.0, 512, sampleSize, error)) << error;
    std::vector<float> left(512), right(512);
    std::vector<double> left64(512), right64(512);
    auto block = [&](int frames) {
      const bool wide = sampleSize == kSample64;
      EXPECT_EQ(wide ? plugin->Process(left64.data(), right64.data(), frames)
                     : plugin->Process(left.data(), right.data(), frames),
                kResultOk);
      plugin->Events().Clear();
      double peak = 0.0;
      for (size_t i = 0; i < size_t(frames); ++i) {
        peak = std::max({peak, std::fabs(wide ? left64[i] : double(left[i])),
                         std::fabs(wide ? right64[i] : double(right[i]))});
      }
      return peak;
    };
    auto gate = [&] { return plugin->Controller()->getParamNormalized(kVoice00_NoteGate); };

    // Frame 200 of a 64-frame block is frame 136 of the next one: a next block of 136 frames
    // ends just before it, the block after starts on it.
    plugin->Events().NoteOn(60, 1.0f, 200);
    EXPECT_EQ(block(64), 0.0);
    EXPECT_EQ(gate(), 0.0);
    EXPECT_EQ(block(136), 0.0);
    EXPECT_EQ(gate(), 0.0);
    EXPECT_GT(block(64), 0.0);
    EXPECT_EQ(gate(), 1.0);

    // A release 136 frames into the next 256-frame block is handled with that block.
    plugin->Events().NoteOff(60, 200);
    block(64);
    EXPECT_EQ(gate(), 1.0);
    block(256);
    EXPECT_EQ(gate(), 0.0);
  }
}

TEST_F(Vst3Process, AQueueEndsAtItsLastPoint) {
  Start(48000.0, 256);
  struct Case {
    const char* what;
    std::vector<std::pair<int, double>> points;
    double expected;
  };
  std::vector<std::pair<int, double>> everySample;
  for (int i = 0; i < 256; ++i) everySample.push_back({i, i / 255.0 * 0.5});
  const Case table[] = {
      {"three points", {{0, 0.1}, {50, 0.9}, {200, 0.3}}, 0.3},
      {"once per block", {{0, 0.6}}, 0.6},
      {"at every sample", everySample, 0.5},
      {"NaN keeps the value", {{0, 0.4}, {10, std::nan("")}}, 0.4},
      {"above 1 gives the maximum", {{0, 7.0}}, 1.0},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.what);
    for (const auto& [offset, value] : c.points) plugin().Changes().Add(kAmpMainVolume, offset, value);
    plugin().Changes().Add(999, 0, 0.7);       // no such parameter: ignored
    plugin().Changes().Add(0x62706173, 0, 0.0);  // 'bpas': ignored by an instrument's sound
    Stereo ignored;
    Render(ignored, 1, 256);
    EXPECT_NEAR(Normalised(kAmpMainVolume), c.expected, 1e-12);
  }
}

TEST_F(Vst3Process, ProgramChangeRestoresThePresetItNames) {
  Start();
  plugin().Changes().Add(kAmpMainVolume, 0, 0.2);
  Stereo ignored;
  Render(ignored, 1, 64);
  ASSERT_NEAR(Normalised(kAmpMainVolume), 0.2, 1e-12);

  // 1.0 names preset 1, which does not exist; NaN and negative values name nothing.
  for (double value : {1.0, -0.5, std::nan(""), 1e300}) {
    plugin().Changes().Add(kPresetId, 0, value);
    Render(ignored, 1, 64);
    EXPECT_NEAR(Normalised(kAmpMainVolume), 0.2, 1e-12) << value;
  }
  // Preset 0, "Init": the defaults. The audio thread hands the restore to the plug-in's
  // worker, which carries it out within milliseconds.
  plugin().Changes().Add(kPresetId, 0, 0.5);
  Render(ignored, 1, 64);
  for (int wait = 0; wait < 2000 && std::abs(Normalised(kAmpMainVolume) - 0.75) > 1e-12; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_NEAR(Normalised(kAmpMainVolume), 0.75, 1e-12);
}

// The module's noise state starts fresh with every load, so one load renders one exact
// sequence: the two sample sizes must give the same sound.
Stereo RenderFreshLoad(int32 sampleSize) {
  Stereo out;
  std::string error;
  auto module = LoadModuleOrFail();
  if (!module) return out;
  vst3host::HostApplication host;
  auto plugin = vst3host::Vst3Plugin::Create(*module, host, error);
  EXPECT_TRUE(plugin) << error;
  if (!plugin) return out;
  EXPECT_TRUE(plugin->Start(44100.0, 512, sampleSize, error)) << error;
  plugin->Events().NoteOn(60, 1.0f, 0);
  std::vector<float> left(512), right(512);
  std::vector<double> left64(512), right64(512);
  for (int block = 0; block < 50; ++block) {
    if (sampleSize == kSample64) {
      EXPECT_EQ(plugin->Process(left64.data(), right64.data(), 512), kResultOk);
      for (int i = 0; i < 512; ++i) left[size_t(i)] = float(left64[size_t(i)]), right[size_t(i)] = float(right64[size_t(i)]);
    } else {
      EXPECT_EQ(plugin->Process(left.data(), right.data(), 512), kResultOk);
    }
    plugin->Events().Clear();
    out.left.insert(out.left.end(), left.begin(), left.end());
    out.right.insert(out.right.end(), right.begin(), right.end());
  }
  return out;
}

TEST(Vst3Reload, EachLoadStartsFreshAndBothSampleSizesSoundAlike) {
  const Stereo first = RenderFreshLoad(kSample32);
  const Stereo second = RenderFreshLoad(kSample32);
  const Stereo wide = RenderFreshLoad(kSample64);
  ASSERT_EQ(first.left.size(), size_t(50 * 512));
  ASSERT_EQ(wide.left.size(), first.left.size());
  EXPECT_GT(first.Peak(), 1e-3);
  EXPECT_EQ(first.left, second.left);
  EXPECT_EQ(first.right, second.right);
  for (size_t i = 0; i < first.left.size(); ++i) {
    ASSERT_NEAR(first.left[i], wide.left[i], 1e-6) << i;
    ASSERT_NEAR(first.right[i], wide.right[i], 1e-6) << i;
  }
}

TEST_F(Vst3Process, ZeroFrameBlocksApplyParametersAndWriteNothing) {
  Start();
  plugin().Changes().Add(kAmpMainVolume, 0, 0.1);
  float left = 5.0f, right = 5.0f;
  EXPECT_EQ(plugin().Process(&left, &right, 0), kResultOk);
  EXPECT_EQ(left, 5.0f);
  EXPECT_NEAR(Normalised(kAmpMainVolume), 0.1, 1e-12);
}

TEST_F(Vst3Process, RandomBlockSizesUpToTheMaximum) {
  Start(48000.0, 1024);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> size(0, 1024);
  plugin().Events().NoteOn(60, 1.0f, 0);
  std::vector<float> left(1024), right(1024);
  double peak = 0.0;
  for (int block = 0; block < 300; ++block) {
    const int frames = size(random);
    std::fill(left.begin(), left.end(), NAN);
    std::fill(right.begin(), right.end(), NAN);
    ASSERT_EQ(plugin().Process(left.data(), right.data(), frames), kResultOk);
    plugin().Events().Clear();
    for (int i = 0; i < frames; ++i) {
      ASSERT_TRUE(std::isfinite(left[size_t(i)]) && std::isfinite(right[size_t(i)])) << block;
      peak = std::max(peak, double(std::fabs(left[size_t(i)])));
    }
    // Nothing is written past the block.
    if (frames < 1024) {
      EXPECT_TRUE(std::isnan(left[size_t(frames)]));
    }
  }
  EXPECT_GT(peak, 1e-3);
}

TEST_F(Vst3Process, PlaysAtUsualAndOddSampleRates) {
  for (double rate : {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 11025.0, 1000.0}) {
    SCOPED_TRACE(rate);
    Start(rate, 512);
    // Above 48 kHz the engine runs at the base rate and is upsampled without latency.
    EXPECT_EQ(processor()->getLatencySamples(), 0u);
    plugin().Events().NoteOn(60, 1.0f, 0);
    Stereo out;
    Render(out, int(rate / 512) + 1, 512);  // about one second
    EXPECT_TRUE(out.AllFinite());
    EXPECT_GT(out.Peak(), 0.0);  // at 1000 Hz the water is faint, but it sounds
    EXPECT_LT(out.Peak(), 4.0);
    plugin().Events().NoteOff(60, 0);
    Render(out, 1, 512);
    plugin().Stop();
  }
}

TEST_F(Vst3Process, RunsOnAnotherThreadWhileTheControllerIsUsed) {
  Start();
  std::atomic<bool> done{false};
  double peak = 0.0;
  std::thread audio([&] {
    std::vector<float> left(512), right(512);
    plugin().Events().NoteOn(60, 1.0f, 0);
    for (int block = 0; block < 400; ++block) {
      plugin().Process(left.data(), right.data(), 512);
      plugin().Events().Clear();
      for (float s : left) peak = std::max(peak, double(std::fabs(s)));
    }
    done = true;
  });
  // The host's UI thread meanwhile reads and writes parameters and takes states.
  while (!done) {
    controller()->setParamNormalized(kSoundfieldAmt, 0.3);
    String128 text;
    controller()->getParamStringByValue(kAmpMainVolume, Normalised(kAmpMainVolume), text);
    ByteStream state;
    EXPECT_EQ(controller()->getState(&state), kResultOk);
    EXPECT_EQ(state.Bytes().size(), 212u);
  }
  audio.join();
  EXPECT_GT(peak, 1e-3);
  EXPECT_DOUBLE_EQ(Normalised(kSoundfieldAmt), 0.3);
}

TEST_F(Vst3Process, SuspendAndResumeKeepPlaying) {
  Start();
  plugin().Events().NoteOn(60, 1.0f, 0);
  Stereo first;
  Render(first, 20, 512);
  ASSERT_GT(first.Peak(), 1e-3);
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(component()->setActive(false), kResultOk);
    ASSERT_EQ(component()->setActive(true), kResultOk);
    plugin().Events().NoteOn(62, 1.0f, 0);
    Stereo again;
    Render(again, 20, 512);
    EXPECT_TRUE(again.AllFinite());
    EXPECT_GT(again.Peak(), 1e-3) << round;
    plugin().Events().NoteOff(62, 0);
    Render(again, 1, 512);
  }
}

}  // namespace
}  // namespace fluvia::vst3test
