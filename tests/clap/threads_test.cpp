// The adapter in-process, as a CLAP host calls it from its threads at once: the audio thread
// processes blocks with notes and parameter values while the editor's thread drags a knob
// (its edits queue up for the host) and the main thread reads values and texts and saves and
// loads the state. Under the thread sanitizer this shows the threads share nothing unguarded,
// and every edit the editor made reaches the host, in order. Also: a reset on the audio thread
// while another thread holds the instance mutex, and a preset load that reaches the adapter
// off the host's main thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "adapters/clap/plugin_clap.h"
#include "engine/engine_params.h"
#include "instrument/fluvia.h"
#include "tests/presets/scratch_folder.h"
#include "tools/claphost/clap_events.h"
#include "tools/claphost/clap_host.h"

namespace fluvia {
namespace {

const clap::PluginDescriptor kTestDescriptor = {clap::kVersion, "test.fluvia", "Fluvia",
                                                "", "", "", "", "1", "", nullptr};

TEST(ClapThreads, ProcessingEditingAndStateTransfersRunConcurrently) {
  FluviaOptions options;
  options.api = PluginApi::CLAP;
  options.presetFolder = (std::filesystem::temp_directory_path() / "fluvia-clap-thread").string();
  claphost::ClapHost host;
  auto* adapter = new IPluginCLAP(std::make_unique<Fluvia>(options), host.Record(), &kTestDescriptor);
  const clap::Plugin* plugin = adapter->Record();
  ASSERT_TRUE(plugin->init(plugin));
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 256));
  IPluginCore& core = adapter->Core();

  std::atomic<bool> stop{false};
  claphost::OutputEventList received;
  std::thread audio([&] {
    claphost::ClapHost::AudioThreadScope scope;
    plugin->startProcessing(plugin);
    claphost::InputEventList events;
    std::vector<float> left(256), right(256);
    float* channels[2] = {left.data(), right.data()};
    clap::AudioBuffer output{channels, nullptr, 2, 0, 0};
    clap::Process process{};
    process.framesCount = 256;
    process.audioOutputs = &output;
    process.audioOutputsCount = 1;
    process.inEvents = events.List();
    process.outEvents = received.List();
    for (int block = 0; !stop.load() || block < 200; ++block) {
      events.Clear();
      if (block % 20 == 0) events.NoteOn(60, 0.8, 10);
      if (block % 20 == 10) events.NoteOff(60, 0);
      events.ParamValue(kSoundfieldAmt, (block % 10) / 10.0, uint32_t(block % 256));
      plugin->process(plugin, &process);
      if (block > 20000) break;  // a bound, whatever the other threads do
    }
    plugin->stopProcessing(plugin);
  });
  std::thread editor([&] {
    for (int gesture = 0; gesture < 100; ++gesture) {
      core.BeginParamEdit(kAmpMainVolume);
      for (int step = 0; step < 5; ++step) core.SetParamFromEditor(kAmpMainVolume, step / 5.0);
      core.EndParamEdit(kAmpMainVolume);
    }
  });
  const auto* params =
      static_cast<const clap::PluginParams*>(plugin->getExtension(plugin, clap::kExtParams));
  const auto* state =
      static_cast<const clap::PluginState*>(plugin->getExtension(plugin, clap::kExtState));
  std::vector<uint8_t> saved;
  for (int round = 0; round < 200; ++round) {
    double value = 0.0;
    params->getValue(plugin, kAmpMainVolume, &value);
    char text[64];
    params->valueToText(plugin, kSoundfieldAmt, value, text, sizeof text);
    saved.clear();
    clap::OStream out{&saved, [](const clap::OStream* s, const void* data, uint64_t size) {
                        auto* bytes = static_cast<std::vector<uint8_t>*>(s->ctx);
                        bytes->insert(bytes->end(), static_cast<const uint8_t*>(data),
                                      static_cast<const uint8_t*>(data) + size);
                        return int64_t(size);
                      }};
    ASSERT_TRUE(state->save(plugin, &out));
    struct Reader {
      const std::vector<uint8_t>* bytes;
      size_t position;
    } reader{&saved, 0};
    clap::IStream in{&reader, [](const clap::IStream* s, void* data, uint64_t size) {
                       auto* r = static_cast<Reader*>(s->ctx);
                       const size_t n = std::min<size_t>(size_t(size), r->bytes->size() - r->position);
                       std::copy_n(r->bytes->data() + r->position, n, static_cast<uint8_t*>(data));
                       r->position += n;
                       return int64_t(n);
                     }};
    ASSERT_TRUE(state->load(plugin, &in));
  }
  editor.join();
  stop = true;
  audio.join();

  // Whatever is left goes with a flush; every gesture arrived whole, in order.
  params->flush(plugin, nullptr, received.List());
  int begins = 0, values = 0, ends = 0;
  bool open = false;
  for (const claphost::OutputEvent& event : received.Events()) {
    ASSERT_EQ(event.paramId, clap::Id(kAmpMainVolume));
    if (event.type == clap::kEventParamGestureBegin) {
      ASSERT_FALSE(open);
      open = true;
      ++begins;
    } else if (event.type == clap::kEventParamGestureEnd) {
      ASSERT_TRUE(open);
      open = false;
      ++ends;
    } else {
      ASSERT_TRUE(open);
      ++values;
    }
  }
  EXPECT_EQ(begins, 100);
  EXPECT_EQ(ends, 100);
  EXPECT_EQ(values, 500);
  plugin->destroy(plugin);
}

// One instance of the adapter on the instrument, with a preset folder of its own.
class ClapInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    FluviaOptions options;
    options.api = PluginApi::CLAP;
    options.presetFolder = scratch_.Path() + "Presets/";
    testing::ScratchFolder::Write(options.presetFolder + "Factory/SFX - Shower.fluviapreset",
                                  "<AmpMainVolume>0.4</AmpMainVolume>");
    adapter_ = new IPluginCLAP(std::make_unique<Fluvia>(options), host_.Record(), &kTestDescriptor);
    plugin_ = adapter_->Record();
    host_.SetPlugin(plugin_);
    ASSERT_TRUE(plugin_->init(plugin_));
  }
  void TearDown() override {
    host_.SetPlugin(nullptr);
    if (plugin_) plugin_->destroy(plugin_);
  }
  // One block of 256 frames on the host's audio thread; the peak of its left channel.
  float Block(claphost::InputEventList& events) {
    claphost::ClapHost::AudioThreadScope audio;
    std::vector<float> left(256), right(256);
    float* channels[2] = {left.data(), right.data()};
    clap::AudioBuffer output{channels, nullptr, 2, 0, 0};
    clap::Process process{};
    process.framesCount = 256;
    process.audioOutputs = &output;
    process.audioOutputsCount = 1;
    process.inEvents = events.List();
    EXPECT_EQ(plugin_->process(plugin_, &process), clap::kProcessContinue);
    float peak = 0.0f;
    for (float s : left) peak = std::max(peak, std::abs(s));
    return peak;
  }

  testing::ScratchFolder scratch_;
  claphost::ClapHost host_;
  IPluginCLAP* adapter_ = nullptr;
  const clap::Plugin* plugin_ = nullptr;
};

// The reset comes on the audio thread: it may not wait for a thread that holds the instance
// mutex. It returns at once and the first block after the mutex is free does it.
TEST_F(ClapInProcess, AResetWhileAnotherThreadHoldsTheMutexIsDoneByALaterBlock) {
  ASSERT_TRUE(plugin_->activate(plugin_, 48000.0, 1, 256));
  claphost::InputEventList events;
  events.NoteOn(60, 1.0, 0);
  float peak = 0.0f;
  for (int b = 0; b < 20; ++b) {
    peak = Block(events);
    events.Clear();
  }
  ASSERT_GT(peak, 1e-4f);

  std::mutex lock;
  std::condition_variable changed;
  bool held = false, release = false;
  std::thread holder([&] {
    std::lock_guard<std::recursive_mutex> instance(adapter_->Core().Mutex());
    std::unique_lock<std::mutex> guard(lock);
    held = true;
    changed.notify_all();
    // Released by the test, or after two seconds should the audio thread be stuck.
    changed.wait_for(guard, std::chrono::seconds(2), [&] { return release; });
    held = false;
  });
  {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return held; });
  }
  {
    claphost::ClapHost::AudioThreadScope audio;
    plugin_->reset(plugin_);
  }
  const float duringHold = Block(events);
  {
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_TRUE(held) << "the reset or the block waited for the mutex";
    release = true;
  }
  changed.notify_all();
  holder.join();
  EXPECT_GT(duringHold, 1e-4f);  // not reset yet: the voice still sounds
  Block(events);
  EXPECT_EQ(Block(events), 0.0f);  // reset: the voice is gone
  plugin_->deactivate(plugin_);
}

// A preset the person loads has the host read every value again on its main thread; when the
// load reaches the adapter on another thread, the host is asked to call back on its main
// thread, and the rescan comes from there.
TEST_F(ClapInProcess, APresetLoadOffTheMainThreadHasTheHostRescanFromItsMainThread) {
  IPluginCore& core = adapter_->Core();
  core.SetParamFromEditor(kPresetForward, 1.0);
  ASSERT_EQ(host_.Rescans().size(), 1u);
  EXPECT_EQ(host_.Rescans()[0].flags, clap::kParamRescanValues);
  EXPECT_TRUE(host_.Rescans()[0].onMainThread);
  EXPECT_NEAR(core.GetParam(kAmpMainVolume)->Value(), 0.4, 1e-6);

  host_.ClearRecords();
  core.GetParam(kAmpMainVolume)->SetValue(0.9);
  const IParameter& selector = *core.GetParam(kPresetSelector);
  const std::optional<double> shower = selector.ValueFromText("SFX - Shower");
  ASSERT_TRUE(shower);
  std::thread other([&] { core.SetParamFromEditor(kPresetSelector, selector.ToNormalised(*shower)); });
  other.join();
  EXPECT_NEAR(core.GetParam(kAmpMainVolume)->Value(), 0.4, 1e-6);
  EXPECT_TRUE(host_.Rescans().empty());
  host_.Turn();
  EXPECT_EQ(host_.CallbackRequests(), 1);
  ASSERT_EQ(host_.Rescans().size(), 1u);
  EXPECT_TRUE(host_.Rescans()[0].onMainThread);
  host_.Turn();  // one callback, one rescan
  EXPECT_EQ(host_.Rescans().size(), 1u);
}

}  // namespace
}  // namespace fluvia
