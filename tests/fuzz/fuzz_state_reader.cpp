// libFuzzer target: the plug-in base's state readers, shared by both modules: the parameter
// block (what a VST3 host's saved state and a VST2 program chunk carry) and the preset bank,
// read from any bytes at any start position. The first input byte picks the reader and the
// second the start position.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "instrument/fluvia.h"

namespace {

fluvia::Fluvia& Instance() {
  static fluvia::Fluvia* plugin = [] {
    fluvia::FluviaOptions options;
    options.api = fluvia::PluginApi::VST2;  // the build with the preset-bank operations
    options.presetFolder =
        (std::filesystem::temp_directory_path() / "fluvia-fuzz-presets").string();
    return new fluvia::Fluvia(options);
  }();
  return *plugin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  fluvia::Fluvia& plugin = Instance();
  fluvia::StateChunk chunk;
  chunk.PutBytes(data + 2, int(size - 2));
  const int start = int(data[1]) - 8;  // a few negative positions too
  const int end = (data[0] & 1) ? plugin.UnserializePresets(chunk, start)
                                : plugin.LoadState(chunk, start);
  if (end > chunk.Size()) std::abort();  // a reader never reports more than it had
  for (int i = 0; i < plugin.NumParams(); ++i) {
    const fluvia::IParameter* param = plugin.GetParam(i);
    if (!(param->Value() >= param->Minimum() && param->Value() <= param->Maximum())) std::abort();
  }
  fluvia::StateChunk saved;
  if (!plugin.SerializeParams(saved) || saved.Size() != 8 * plugin.NumParams()) std::abort();
  return 0;
}
