// libFuzzer target: the LV2 module's state restore, on any bytes as the saved chunk (and, by
// the first byte, of the right or a wrong atom type). A restore either applies the whole
// layout or changes nothing; every parameter stays in its range and the next save has the
// layout's size.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapters/lv2/lv2_uris.h"
#include "adapters/lv2/plugin_lv2.h"
#include "instrument/fluvia.h"
#include "lv2/atom/atom.h"

namespace {

struct Map {
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle h, const char* uri) {
                         auto& ids = static_cast<Map*>(h)->ids;
                         return ids.emplace(uri, LV2_URID(ids.size() + 1)).first->second;
                       }};
};

struct Input {
  const uint8_t* data;
  size_t size;
  LV2_URID type;
};

fluvia::IPluginLV2& Plugin(Map& map) {
  static fluvia::IPluginLV2* plugin = [&] {
    fluvia::FluviaOptions options;
    options.api = fluvia::PluginApi::LV2;
    options.presetFolder =
        (std::filesystem::temp_directory_path() / "fluvia-fuzz-presets").string();
    const LV2_Feature mapFeature{LV2_URID__map, &map.feature};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    fluvia::IPluginLV2::HostFacts facts;
    std::string error;
    if (!fluvia::IPluginLV2::ReadHostFacts(48000.0, features, facts, error)) std::abort();
    return new fluvia::IPluginLV2(std::make_unique<fluvia::Fluvia>(options), facts);
  }();
  return *plugin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Map map;
  fluvia::IPluginLV2& plugin = Plugin(map);
  if (size < 1) return 0;
  const LV2_URID chunk = map.feature.map(map.feature.handle, LV2_ATOM__Chunk);
  Input input{data + 1, size - 1, (data[0] & 1) ? chunk + 1 : chunk};
  const std::vector<uint8_t> before = plugin.StateBytes();
  auto retrieve = [](LV2_State_Handle handle, uint32_t, size_t* got, uint32_t* type,
                     uint32_t* flags) -> const void* {
    const auto* in = static_cast<const Input*>(handle);
    *got = in->size;
    *type = in->type;
    *flags = 0;
    return in->data;
  };
  const LV2_Feature* none[] = {nullptr};
  const LV2_State_Status status = plugin.Restore(retrieve, &input, 0, none);
  const std::vector<uint8_t> after = plugin.StateBytes();
  if (after.size() != before.size()) std::abort();
  if (status != LV2_STATE_SUCCESS && after != before) std::abort();  // refused: nothing changed
  for (int i = 0; i < plugin.Core().NumParams(); ++i) {
    const fluvia::IParameter* param = plugin.Core().GetParam(i);
    if (!(param->Value() >= param->Minimum() && param->Value() <= param->Maximum())) std::abort();
  }
  return 0;
}
