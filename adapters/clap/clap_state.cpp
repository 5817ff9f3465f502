#include "adapters/clap/clap_state.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace fluvia {
namespace {

// Reads up to size bytes, asking again while the stream delivers: a host may hand out less
// than asked per call. A stream that fails, ends or claims more than it was asked for ends the
// read; only what it reported within the request counts.
int64_t ReadUpTo(const clap::IStream* stream, uint8_t* destination, int64_t size) {
  int64_t total = 0;
  while (total < size) {
    const int64_t got = stream->read(stream, destination + total, uint64_t(size - total));
    if (got <= 0) break;
    total += std::min(got, size - total);
  }
  return total;
}

bool WriteAll(const clap::OStream* stream, const uint8_t* data, int64_t size) {
  int64_t total = 0;
  while (total < size) {
    const int64_t wrote = stream->write(stream, data + total, uint64_t(size - total));
    if (wrote <= 0) return false;
    total += std::min(wrote, size - total);
  }
  return true;
}

}  // namespace

bool SaveClapState(IPluginCore& core, const clap::OStream* stream) {
  if (!stream || !stream->write) return false;
  std::lock_guard<std::recursive_mutex> lock(core.Mutex());
  try {
    StateChunk chunk;
    if (!core.SaveState(chunk)) return false;
    const uint32_t bypass = core.IsBypassed() ? 1 : 0;
    const uint8_t bypassBytes[4] = {uint8_t(bypass), uint8_t(bypass >> 8), uint8_t(bypass >> 16),
                                    uint8_t(bypass >> 24)};
    return WriteAll(stream, chunk.Data(), chunk.Size()) && WriteAll(stream, bypassBytes, 4);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool LoadClapState(IPluginCore& core, const clap::IStream* stream) {
  if (!stream || !stream->read) return false;
  std::lock_guard<std::recursive_mutex> lock(core.Mutex());
  try {
    // The current state fills the chunk first, so bytes the stream does not deliver keep
    // their present values.
    StateChunk chunk;
    core.SaveState(chunk);
    const int64_t size = chunk.Size();
    bool complete = true;
    if (size > 0) {
      // Read into a buffer of its own: what a failing stream leaves there never reaches the
      // chunk beyond the bytes it reported.
      std::vector<uint8_t> incoming(size_t(size), 0);
      const int64_t got = ReadUpTo(stream, incoming.data(), size);
      // The block is a sequence of 8-byte values. A stream that ends inside one would leave a
      // value made of new low bytes and old high bytes, so such a value keeps its old bytes.
      const int64_t whole = got - got % int64_t(sizeof(double));
      std::memcpy(chunk.Data(), incoming.data(), size_t(whole));
      core.LoadState(chunk, 0);
      complete = got == size;
    }
    uint8_t bypassBytes[4] = {0, 0, 0, 0};
    if (!complete || ReadUpTo(stream, bypassBytes, 4) != 4) {
      core.RefreshEditorParams();
      return false;
    }
    const uint32_t bypass = uint32_t(bypassBytes[0]) | (uint32_t(bypassBytes[1]) << 8) |
                            (uint32_t(bypassBytes[2]) << 16) | (uint32_t(bypassBytes[3]) << 24);
    core.SetBypassed(bypass != 0);
    core.RefreshEditorParams();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace fluvia
