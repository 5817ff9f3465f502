// The LV2 adapter in-process, on the instrument: run() on an audio thread while the host's
// other threads save and restore the state and the editor reports edits (whose echoes the
// audio thread waits for). Built by the thread sanitizer preset too.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "adapters/lv2/plugin_lv2.h"
#include "engine/engine_params.h"
#include "instrument/fluvia.h"
#include "engine/noise.h"
#include "lv2/atom/atom.h"
#include "lv2/midi/midi.h"

namespace fluvia {
namespace {

struct Map {
  std::mutex mutex;
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle h, const char* uri) {
                         auto* self = static_cast<Map*>(h);
                         std::lock_guard<std::mutex> lock(self->mutex);
                         return self->ids.emplace(uri, LV2_URID(self->ids.size() + 1)).first->second;
                       }};
};

// Parameter i of a saved state: the double at byte 8 i.
double StateParamOf(const std::vector<uint8_t>& state, int param) {
  double value = 0.0;
  if (state.size() >= size_t(param + 1) * 8) std::memcpy(&value, state.data() + param * 8, 8);
  return value;
}

TEST(Lv2Threads, RunBesideStateTransfersAndEditorEdits) {
  Map map;
  const LV2_Feature mapFeature{LV2_URID__map, &map.feature};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  IPluginLV2::HostFacts facts;
  std::string error;
  ASSERT_TRUE(IPluginLV2::ReadHostFacts(48000.0, features, facts, error)) << error;
  FluviaOptions options;
  options.api = PluginApi::LV2;
  options.presetFolder = (std::filesystem::temp_directory_path() / "fluvia-lv2-threads").string();
  IPluginLV2 plugin(std::make_unique<Fluvia>(options), facts);

  std::vector<float> controls;
  for (const Lv2ControlPort& port : plugin.ControlPorts()) controls.push_back(port.defaultValue);
  for (size_t k = 0; k < controls.size(); ++k) {
    plugin.ConnectPort(kLv2FirstControlPort + uint32_t(k), &controls[k]);
  }
  std::vector<float> left(256), right(256);
  plugin.ConnectPort(kLv2OutLeftPort, left.data());
  plugin.ConnectPort(kLv2OutRightPort, right.data());
  plugin.Activate();
  const std::vector<uint8_t> initial = plugin.StateBytes();
  ASSERT_EQ(initial.size(), 212u);

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop) plugin.Run(256);
  });
  std::thread host([&] {
    for (int i = 0; i < 300; ++i) {
      const std::vector<uint8_t> saved = plugin.StateBytes();
      EXPECT_EQ(saved.size(), initial.size());
      EXPECT_TRUE(plugin.ApplyStateBytes(saved.data(), saved.size()));
    }
  });
  // The editor's side: a parameter moved by the person, reported to the host.
  for (int i = 0; i < 300; ++i) {
    std::lock_guard<std::recursive_mutex> lock(plugin.Core().Mutex());
    plugin.Core().SetParamFromEditor(kAmpMainVolume, 0.5 + 0.001 * (i % 100));
  }
  host.join();
  stop = true;
  audio.join();
  // A restore may bring back a state saved before the last edits: the volume is one of the
  // values someone set, never a mixture.
  const double volume = plugin.Core().GetParam(kAmpMainVolume)->Value();
  const double step = (volume - 0.5) / 0.001;
  EXPECT_TRUE(volume == 0.75 || (step > -1e-6 && step < 99 + 1e-6 &&
                                 std::fabs(step - std::round(step)) < 1e-6))
      << volume;
  // Once the threads are done, an edit stands and the saved state carries it.
  {
    std::lock_guard<std::recursive_mutex> lock(plugin.Core().Mutex());
    plugin.Core().SetParamFromEditor(kAmpMainVolume, 0.3);
  }
  plugin.Run(256);
  EXPECT_EQ(StateParamOf(plugin.StateBytes(), kAmpMainVolume), 0.3);
}

// The input sequence as a host fills it before each run(): a note-on in the first block only.
struct EventBuffer {
  alignas(8) uint8_t bytes[256] = {};
  void Fill(Map& map, bool withNote) {
    std::memset(bytes, 0, sizeof bytes);
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(bytes);
    sequence->atom.type = map.feature.map(map.feature.handle, LV2_ATOM__Sequence);
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    if (!withNote) return;
    auto* event = reinterpret_cast<LV2_Atom_Event*>(sequence + 1);
    event->time.frames = 40;
    event->body.type = map.feature.map(map.feature.handle, LV2_MIDI__MidiEvent);
    event->body.size = 3;
    const uint8_t noteOn[3] = {0x90, 60, 100};
    std::memcpy(event + 1, noteOn, 3);
    sequence->atom.size += uint32_t(sizeof(LV2_Atom_Event) + 8);
  }
};

// Another thread holds the instance mutex for 200 ms, as the host's threads do while they save
// or restore the state and the editor does while it edits: run() goes on without it, and sounds
// as an instance that nobody held.
TEST(Lv2Threads, RunNeverWaitsForAnotherThreadsLock) {
  Map map;
  const LV2_Feature mapFeature{LV2_URID__map, &map.feature};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  IPluginLV2::HostFacts facts;
  std::string error;
  ASSERT_TRUE(IPluginLV2::ReadHostFacts(48000.0, features, facts, error)) << error;
  FluviaOptions options;
  options.api = PluginApi::LV2;
  options.presetFolder = (std::filesystem::temp_directory_path() / "fluvia-lv2-threads").string();

  auto play = [&](bool hold) {
    IPluginLV2 plugin(std::make_unique<Fluvia>(options), facts);
    std::vector<float> controls;
    for (const Lv2ControlPort& port : plugin.ControlPorts()) controls.push_back(port.defaultValue);
    for (size_t k = 0; k < controls.size(); ++k) {
      plugin.ConnectPort(kLv2FirstControlPort + uint32_t(k), &controls[k]);
    }
    EventBuffer events;
    std::vector<float> left(256), right(256);
    plugin.ConnectPort(kLv2EventsPort, events.bytes);
    plugin.ConnectPort(kLv2OutLeftPort, left.data());
    plugin.ConnectPort(kLv2OutRightPort, right.data());
    plugin.Activate();
    {
      // The editor's change, waiting for the next block start.
      std::lock_guard<std::recursive_mutex> lock(plugin.Core().Mutex());
      plugin.Core().SetParamFromEditor(kContainerSize, 0.6);
    }
    std::atomic<bool> held{false}, release{false};
    std::thread other;
    if (hold) {
      other = std::thread([&] {
        std::lock_guard<std::recursive_mutex> lock(plugin.Core().Mutex());
        held = true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (!release && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        held = false;
      });
      while (!held) std::this_thread::yield();
    }
    SetNoiseState(kNoiseLoadState);
    std::vector<float> out;
    for (int b = 0; b < 24; ++b) {
      events.Fill(map, b == 0);
      plugin.Run(256);
      if (hold) {
        EXPECT_TRUE(held) << "block " << b << " waited for the lock";
      }
      out.insert(out.end(), left.begin(), left.end());
    }
    release = true;
    if (other.joinable()) other.join();
    return out;
  };
  const std::vector<float> expected = play(false);
  const std::vector<float> got = play(true);
  double energy = 0.0;
  for (float x : expected) energy += double(x) * double(x);
  EXPECT_GT(energy, 0.0);
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace fluvia
