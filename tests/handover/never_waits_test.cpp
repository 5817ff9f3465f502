// The audio thread never waits on the user interface: another thread takes every lock that a
// user-interface or controller thread can take (the instance mutex, the editor's lock, the
// process-wide bitmap cache's lock) and holds them for 200 ms, while the audio thread plays
// blocks with notes, controllers, automation and changes handed over from before. Every
// processing call has to return while the locks are still held, and its output has to be the
// one a twin instance renders with no lock held. Through the plug-in base (as the application
// and the command-line renderer drive it), the VST2 adapter and the VST3 adapter.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "adapters/vst2/plugin_vst2.h"
#include "adapters/vst3/plugin_vst3.h"
#include "engine/engine_params.h"
#include "engine/noise.h"
#include "graphics/bitmap_cache.h"
#include "graphics/graphics.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/pix/pix_bitmap.h"
#include "instrument/fluvia.h"
#include "tests/presets/scratch_folder.h"
#include "tools/vst3host/host_objects.h"

namespace fluvia {
namespace {

using testing::ScratchFolder;

constexpr int kBlocks = 24;
constexpr int kFrames = 256;
constexpr int kHeldImageSource = 4711;  // a bitmap cache key no editor uses

// Takes every lock of `core` that a user-interface or controller thread can take and holds
// them for 200 ms on a thread of its own.
class LocksHeld {
 public:
  explicit LocksHeld(IPluginCore& core) {
    holder_ = std::thread([this, &core] {
      std::lock_guard<std::recursive_mutex> instance(core.Mutex());
      auto* editor = dynamic_cast<IGraphics*>(core.Editor());
      std::unique_lock<std::recursive_mutex> editorLock;
      if (editor) editorLock = std::unique_lock<std::recursive_mutex>(editor->Lock());
      // The cache runs its loader under its lock.
      FindOrLoadCachedBitmap(kHeldImageSource, 1, [this]() -> std::unique_ptr<PixBitmap> {
        {
          std::lock_guard<std::mutex> guard(lock_);
          held_ = true;
        }
        changed_.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        held_ = false;
        return nullptr;
      });
    });
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return held_.load(); });
  }
  ~LocksHeld() { holder_.join(); }
  bool Held() const { return held_; }

 private:
  std::thread holder_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::atomic<bool> held_{false};
};

FluviaOptions Options(PluginApi api, const std::string& folder) {
  FluviaOptions options;
  options.api = api;
  options.artwork = api == PluginApi::VST2 ? ArtworkSet::Small : ArtworkSet::Large;
  options.createGraphics = HeadlessGraphicsFactory();
  options.presetFolder = folder;
  options.sizePreference = false;
  return options;
}

// What the user interface changed before the locks were taken: a knob and a restored state,
// both still waiting for the audio thread.
void ChangeFromTheInterface(IPluginCore& core) {
  core.SetParamFromEditor(kSoundfieldAmt, 0.2);
  StateChunk state;
  core.SerializeParams(state);
  StateChunk changed;
  for (int i = 0; i < core.NumParams(); ++i) {
    double value = 0.0;
    state.GetDouble(value, i * 8);
    if (i == kContainerSize) value = 0.6;
    if (i == kAmpFadeInOut) value = 0.0;
    changed.PutDouble(value);
  }
  core.UnserializeParams(changed, 0);
}

// Plays the blocks through `block(b)`, which processes block b and returns its left channel.
// With `held`, every call must come back while the locks are still taken.
std::vector<float> Play(const std::function<std::vector<float>(int)>& block,
                        const LocksHeld* held) {
  SetNoiseState(kNoiseLoadState);
  std::vector<float> out;
  for (int b = 0; b < kBlocks; ++b) {
    const std::vector<float> left = block(b);
    out.insert(out.end(), left.begin(), left.end());
    if (held) {
      EXPECT_TRUE(held->Held()) << "block " << b << " waited for a lock";
    }
  }
  return out;
}

double Energy(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += double(s) * double(s);
  return sum;
}

class NeverWaitsTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
  std::string folder = scratch.Path() + "Presets/";
};

// ---- The plug-in base, as the application drives it -----------------------------------------

std::vector<float> BaseBlock(Fluvia& plugin, int b) {
  std::vector<float> l(kFrames), r(kFrames);
  float* outs[] = {l.data(), r.data()};
  AudioThreadScope audio(plugin);
  if (b == 0) plugin.ProcessMidi({10, 0x90, 60, 100});
  if (b == 3) plugin.ProcessMidi({100, 0xB0, 7, 90});
  if (b % 4 == 2) plugin.AddParamPoint(kParticlesCollisions, (b % 10) / 10.0, 17 * b % kFrames);
  if (b == 15) plugin.ProcessMidi({200, 0x80, 60, 0});
  plugin.AttachOutputBuffers(0, 2, outs);
  plugin.ProcessBuffers(kFrames);
  return l;
}

TEST_F(NeverWaitsTest, ThePluginBase) {
  auto make = [&] {
    auto plugin = std::make_unique<Fluvia>(Options(PluginApi::VST3, folder));
    plugin->SetOutputChannelConnections(0, 2, true);
    plugin->SetSampleRate(48000.0);
    plugin->SetMaxBlockSize(kFrames);
    plugin->ResetDsp();
    ChangeFromTheInterface(*plugin);
    return plugin;
  };
  auto twin = make();
  const std::vector<float> expected = Play([&](int b) { return BaseBlock(*twin, b); }, nullptr);
  auto plugin = make();
  LocksHeld held(*plugin);
  const std::vector<float> got = Play([&](int b) { return BaseBlock(*plugin, b); }, &held);
  EXPECT_GT(Energy(expected), 0.0);
  EXPECT_EQ(got, expected);
}

// ---- VST2: events, set-parameter on the audio thread, processing -----------------------------

intptr_t QuietHost(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == vst2::kHostGetCurrentProcessLevel ? 2 : 0;
}

std::vector<float> Vst2Block(vst2::Effect* effect, int b) {
  std::vector<float> l(kFrames), r(kFrames);
  float* outs[] = {l.data(), r.data()};
  float* ins[] = {l.data(), r.data()};
  vst2::MidiEvent midi{};
  midi.type = vst2::kEventMidi;
  midi.byteSize = sizeof(midi);
  vst2::EventList list{1, 0, {reinterpret_cast<vst2::Event*>(&midi), nullptr}};
  auto send = [&](uint8_t status, uint8_t data1, uint8_t data2, int offset) {
    midi.deltaFrames = offset;
    midi.midiData[0] = char(status);
    midi.midiData[1] = char(data1);
    midi.midiData[2] = char(data2);
    effect->dispatcher(effect, vst2::kProcessEvents, 0, 0, &list, 0.0f);
  };
  if (b == 0) send(0x90, 60, 100, 10);
  if (b == 3) send(0xB0, 7, 90, 100);
  if (b == 15) send(0x80, 60, 0, 200);
  // Hosts automate VST2 plug-ins from the audio thread, between the process calls, and some
  // ask it questions there too.
  if (b % 4 == 2) effect->setParameter(effect, kParticlesCollisions, float(b % 10) / 10.0f);
  char text[64] = {};
  effect->dispatcher(effect, vst2::kGetParamDisplay, kParticlesCollisions, 0, text, 0.0f);
  effect->dispatcher(effect, vst2::kCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent"), 0.0f);
  effect->dispatcher(effect, vst2::kGetTailSize, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, 71, 0, 0, nullptr, 0.0f);  // start process, which it ignores
  effect->processReplacing(effect, ins, outs, kFrames);
  return l;
}

TEST_F(NeverWaitsTest, TheVst2Adapter) {
  auto make = [&] {
    auto* plugin = new IPluginVST2(std::make_unique<Fluvia>(Options(PluginApi::VST2, folder)),
                                   &QuietHost);
    vst2::Effect* effect = plugin->Effect();
    effect->dispatcher(effect, vst2::kOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::kSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effect, vst2::kSetBlockSize, 0, kFrames, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::kMainsChanged, 0, 1, nullptr, 0.0f);
    ChangeFromTheInterface(plugin->Core());
    return plugin;
  };
  IPluginVST2* twin = make();
  const std::vector<float> expected =
      Play([&](int b) { return Vst2Block(twin->Effect(), b); }, nullptr);
  IPluginVST2* plugin = make();
  std::vector<float> got;
  {
    LocksHeld held(plugin->Core());
    got = Play([&](int b) { return Vst2Block(plugin->Effect(), b); }, &held);
  }
  EXPECT_GT(Energy(expected), 0.0);
  EXPECT_EQ(got, expected);
  for (IPluginVST2* p : {twin, plugin}) p->Effect()->dispatcher(p->Effect(), vst2::kClose, 0, 0, nullptr, 0.0f);
}

// ---- VST3: events, parameter changes and transport with the block ----------------------------

struct Vst3Instance {
  IPluginVST3* plugin = nullptr;
  vst3host::ParameterChanges changes{8, 16};
  vst3host::EventList events{16};
  Steinberg::Vst::ProcessContext context{};
};

std::vector<float> Vst3Block(Vst3Instance& instance, int b) {
  using namespace Steinberg::Vst;
  std::vector<float> l(kFrames), r(kFrames);
  float* outs[] = {l.data(), r.data()};
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = outs;
  instance.changes.Clear();
  instance.events.Clear();
  if (b == 0) instance.events.NoteOn(60, 0.8f, 10);
  if (b == 15) instance.events.NoteOff(60, 200);
  if (b % 4 == 2) instance.changes.Add(kParticlesCollisions, 17 * b % kFrames, (b % 10) / 10.0);
  if (b == 3) instance.changes.Add(kAmpMainVolume, 100, 90 / 127.0);
  ProcessData data{};
  data.processMode = kRealtime;
  data.symbolicSampleSize = kSample32;
  data.numSamples = kFrames;
  data.numOutputs = 1;
  data.outputs = &out;
  data.inputParameterChanges = &instance.changes;
  data.inputEvents = &instance.events;
  data.processContext = &instance.context;
  EXPECT_EQ(instance.plugin->process(data), Steinberg::kResultOk);
  instance.context.projectTimeSamples += kFrames;
  return l;
}

TEST_F(NeverWaitsTest, TheVst3Adapter) {
  vst3host::HostApplication host;
  auto make = [&] {
    auto instance = std::make_unique<Vst3Instance>();
    instance->plugin =
        new IPluginVST3(std::make_unique<Fluvia>(Options(PluginApi::VST3, folder)));
    instance->plugin->initialize(&host);
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32,
                                       kFrames, 48000.0};
    instance->plugin->setupProcessing(setup);
    instance->plugin->activateBus(Steinberg::Vst::kAudio, Steinberg::Vst::kOutput, 0, true);
    instance->plugin->activateBus(Steinberg::Vst::kEvent, Steinberg::Vst::kInput, 0, true);
    instance->plugin->setActive(true);
    instance->context.sampleRate = 48000.0;
    instance->context.tempo = 100.0;
    ChangeFromTheInterface(instance->plugin->Core());
    return instance;
  };
  auto twin = make();
  const std::vector<float> expected = Play([&](int b) { return Vst3Block(*twin, b); }, nullptr);
  auto instance = make();
  std::vector<float> got;
  {
    LocksHeld held(instance->plugin->Core());
    got = Play([&](int b) { return Vst3Block(*instance, b); }, &held);
  }
  EXPECT_GT(Energy(expected), 0.0);
  EXPECT_EQ(got, expected);
  for (Vst3Instance* i : {twin.get(), instance.get()}) {
    i->plugin->setActive(false);
    i->plugin->terminate();
    i->plugin->release();
  }
}

}  // namespace
}  // namespace fluvia
