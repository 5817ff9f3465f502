// The LV2 adapter in-process, on the instrument: run() on an audio thread while the host's
// other threads save and restore the state and the editor reports edits (whose echoes the
// audio thread waits for). Built by the thread sanitizer preset too.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "adapters/lv2/plugin_lv2.h"
#include "engine/engine_params.h"
#include "instrument/fluvia.h"
#include "lv2/atom/atom.h"

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
  EXPECT_NEAR(plugin.Core().GetParam(kAmpMainVolume)->Value(), 0.5 + 0.001 * 99, 1e-12);
}

}  // namespace
}  // namespace fluvia
