// The saved state: one chunk holding exactly the bytes a VST3 host saves for this plug-in
// (the core's state block, then the bypass flag as a little-endian 32-bit integer), so that a
// state moves between the formats unchanged.

#include <new>

#include "adapters/lv2/plugin_lv2.h"

namespace fluvia {

std::vector<uint8_t> IPluginLV2::StateBytes() {
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  StateChunk chunk;
  if (!core_->SaveState(chunk)) return {};
  const uint32_t bypass = core_->IsBypassed() ? 1u : 0u;
  chunk.PutInt32(int32_t(bypass));
  return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

bool IPluginLV2::ApplyStateBytes(const uint8_t* data, size_t size) {
  if (!data) return false;
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  StateChunk current;
  core_->SaveState(current);
  const size_t block = size_t(current.Size());
  // Anything but the whole layout is someone else's data: applying part of it would mix two
  // sounds.
  if (size != block + 4) return false;
  StateChunk chunk;
  chunk.PutBytes(data, int(block));
  core_->LoadState(chunk, 0);
  const uint32_t bypass = uint32_t(data[block]) | (uint32_t(data[block + 1]) << 8) |
                          (uint32_t(data[block + 2]) << 16) | (uint32_t(data[block + 3]) << 24);
  core_->SetBypassed(bypass != 0);
  core_->RefreshEditorParams();
  return true;
}

LV2_State_Status IPluginLV2::Save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                  uint32_t, const LV2_Feature* const*) {
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  try {
    const std::vector<uint8_t> bytes = StateBytes();
    if (bytes.empty()) return LV2_STATE_ERR_UNKNOWN;
    return store(handle, stateKey_, bytes.data(), bytes.size(), atomChunk_,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  } catch (const std::bad_alloc&) {
    return LV2_STATE_ERR_NO_SPACE;
  }
}

LV2_State_Status IPluginLV2::Restore(LV2_State_Retrieve_Function retrieve,
                                     LV2_State_Handle handle, uint32_t,
                                     const LV2_Feature* const*) {
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, stateKey_, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != atomChunk_) return LV2_STATE_ERR_BAD_TYPE;
  try {
    return ApplyStateBytes(static_cast<const uint8_t*>(data), size) ? LV2_STATE_SUCCESS
                                                                    : LV2_STATE_ERR_UNKNOWN;
  } catch (const std::bad_alloc&) {
    return LV2_STATE_ERR_NO_SPACE;
  }
}

}  // namespace fluvia
