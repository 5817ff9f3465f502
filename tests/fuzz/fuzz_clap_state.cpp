// libFuzzer target: the CLAP module's state reader, fed by a host stream that misbehaves as
// the input says. The first byte sets how many bytes each read hands out, the second how the
// stream fails (ends, returns an error, claims more than it was asked for, or does each now and
// then); the rest is what the stream holds.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "adapters/clap/clap_state.h"
#include "instrument/fluvia.h"

namespace {

fluvia::Fluvia& Instance() {
  static fluvia::Fluvia* plugin = [] {
    fluvia::FluviaOptions options;
    options.api = fluvia::PluginApi::CLAP;
    options.presetFolder =
        (std::filesystem::temp_directory_path() / "fluvia-fuzz-clap-presets").string();
    return new fluvia::Fluvia(options);
  }();
  return *plugin;
}

struct Stream {
  const uint8_t* data;
  size_t size;
  size_t position;
  uint64_t chunk;
  uint8_t mode;
  int calls;
};

int64_t Read(const fluvia::clap::IStream* stream, void* buffer, uint64_t size) {
  auto& s = *static_cast<Stream*>(stream->ctx);
  ++s.calls;
  if ((s.mode & 0x03) == 1 && s.calls % 3 == 0) return -1;           // an error now and then
  if ((s.mode & 0x03) == 2 && s.calls % 4 == 0) return int64_t(size) + 17;  // a lie
  if ((s.mode & 0x0C) == 4 && s.calls > 5) return -1;                // fails for good
  if ((s.mode & 0x0C) == 8 && s.calls > 2) return 0;                 // ends early
  uint64_t n = std::min<uint64_t>(size, s.size - s.position);
  if (s.chunk > 0) n = std::min(n, s.chunk);
  std::memcpy(buffer, s.data + s.position, size_t(n));
  s.position += size_t(n);
  return int64_t(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  fluvia::Fluvia& plugin = Instance();
  Stream state{data + 2, size - 2, 0, uint64_t(data[0] % 16), data[1], 0};
  const fluvia::clap::IStream stream{&state, Read};
  const bool complete = fluvia::LoadClapState(plugin, &stream);
  // Success needs the whole block and the bypass flag from the stream.
  if (complete && state.size < size_t(8 * plugin.NumParams() + 4) && (state.mode & 0x03) != 2) {
    std::abort();
  }
  for (int i = 0; i < plugin.NumParams(); ++i) {
    const fluvia::IParameter* param = plugin.GetParam(i);
    if (!(param->Value() >= param->Minimum() && param->Value() <= param->Maximum())) std::abort();
  }
  fluvia::StateChunk saved;
  if (!plugin.SerializeParams(saved) || saved.Size() != 8 * plugin.NumParams()) std::abort();
  return 0;
}
