// libFuzzer target: the VST2 set-chunk opcode with any bytes and any claimed size, followed by
// get-chunk, on one long-lived instance as a host would drive it. The first input byte picks
// the program (odd) or bank (even) chunk and whether the size given is the true one.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "adapters/vst2/plugin_vst2.h"
#include "instrument/fluvia.h"

namespace {

fluvia::vst2::Effect* Instance() {
  static fluvia::vst2::Effect* effect = [] {
    fluvia::FluviaOptions options;
    options.api = fluvia::PluginApi::VST2;
    options.presetFolder =
        (std::filesystem::temp_directory_path() / "fluvia-fuzz-presets").string();
    auto* plugin = new fluvia::IPluginVST2(std::make_unique<fluvia::Fluvia>(options), nullptr);
    return plugin->Effect();
  }();
  return effect;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fluvia::vst2::Effect* effect = Instance();
  const int32_t program = data[0] & 1;
  // Copied, so that the sanitizer sees any read past the bytes the host handed over.
  std::vector<uint8_t> bytes(data + 1, data + size);
  intptr_t claimed = intptr_t(bytes.size());
  if (data[0] & 2) claimed = claimed / 2;  // a host that hands over less than the content
  const intptr_t applied =
      effect->dispatcher(effect, fluvia::vst2::kSetChunk, program, claimed, bytes.data(), 0.0f);
  if (applied != 0 && applied != 1) std::abort();
  for (int i = 0; i < effect->numParams; ++i) {
    const float value = effect->getParameter(effect, i);
    if (!(value >= 0.0f && value <= 1.0f)) std::abort();
  }
  void* chunk = nullptr;
  const intptr_t written = effect->dispatcher(effect, fluvia::vst2::kGetChunk, program, 0, &chunk, 0.0f);
  if (written <= 8 || !chunk) std::abort();
  return 0;
}
