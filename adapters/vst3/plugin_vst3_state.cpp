// The saved state: the core's state block followed by the bypass flag as a 32-bit integer.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "adapters/vst3/plugin_vst3.h"
#include "pluginterfaces/base/ibstream.h"

namespace fluvia {

using namespace Steinberg;

namespace {

// Reads up to size bytes, asking again while the stream delivers: a stream may hand out less
// than asked per call. Returns the number of bytes read; a failing or lying stream counts only
// what it reported within the request.
int32 ReadUpTo(IBStream* stream, uint8* destination, int32 size) {
  int32 total = 0;
  while (total < size) {
    int32 got = 0;
    if (stream->read(destination + total, size - total, &got) != kResultOk || got <= 0) break;
    total += std::min(got, size - total);
  }
  return total;
}

bool WriteAll(IBStream* stream, const void* data, int32 size) {
  if (size == 0) return true;
  int32 written = 0;
  return stream->write(const_cast<void*>(data), size, &written) == kResultOk && written == size;
}

}  // namespace

tresult PLUGIN_API IPluginVST3::getState(IBStream* state) {
  if (!state) return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  try {
    StateChunk chunk;
    if (!core_->SaveState(chunk)) return kResultFalse;
    const int32_t bypass = core_->IsBypassed() ? 1 : 0;
    const uint8 bypassBytes[4] = {uint8(bypass), uint8(bypass >> 8), uint8(bypass >> 16),
                                  uint8(bypass >> 24)};
    if (!WriteAll(state, chunk.Data(), chunk.Size())) return kResultFalse;
    if (!WriteAll(state, bypassBytes, 4)) return kResultFalse;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::setState(IBStream* state) {
  if (!state) return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  try {
    // The current state fills the chunk first, so bytes the stream does not deliver keep
    // their present values.
    StateChunk chunk;
    core_->SaveState(chunk);
    const int32 size = chunk.Size();
    if (size > 0) {
      // Read into a separate buffer: a failing stream may scribble past what it reports.
      std::vector<uint8> incoming(size_t(size), 0);
      const int32 got = ReadUpTo(state, incoming.data(), size);
      // The block is a sequence of 8-byte values. A stream that ends inside one would leave
      // a value made of new low bytes and old high bytes, so such a value keeps its old bytes.
      const int32 whole = got - got % int32(sizeof(double));
      std::memcpy(chunk.Data(), incoming.data(), size_t(whole));
      core_->LoadState(chunk, 0);
    }
    uint8 bypassBytes[4] = {0, 0, 0, 0};
    if (ReadUpTo(state, bypassBytes, 4) != 4) return kResultFalse;
    const uint32 bypass = uint32(bypassBytes[0]) | (uint32(bypassBytes[1]) << 8) |
                          (uint32(bypassBytes[2]) << 16) | (uint32(bypassBytes[3]) << 24);
    core_->SetBypassed(bypass != 0);
    core_->RefreshEditorParams();
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kResultOk;
}

}  // namespace fluvia
