#include "framework/state_chunk.h"

#include <cstring>

namespace fluvia {

void StateChunk::PutBytes(const void* data, int size) {
  if (size <= 0) return;
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void StateChunk::PutInt32(int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(u >> (8 * i)));
}

void StateChunk::PutDouble(double value) {
  uint64_t u;
  std::memcpy(&u, &value, sizeof u);
  for (int i = 0; i < 8; ++i) bytes_.push_back(uint8_t(u >> (8 * i)));
}

int StateChunk::GetBytes(void* data, int size, int position) const {
  if (!Remaining(position, size)) return -1;
  if (size > 0) std::memcpy(data, bytes_.data() + position, size_t(size));
  return position + size;
}

int StateChunk::GetInt32(int32_t& value, int position) const {
  if (!Remaining(position, 4)) return -1;
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(bytes_[size_t(position + i)]) << (8 * i);
  value = static_cast<int32_t>(u);
  return position + 4;
}

int StateChunk::GetDouble(double& value, int position) const {
  if (!Remaining(position, 8)) return -1;
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= uint64_t(bytes_[size_t(position + i)]) << (8 * i);
  std::memcpy(&value, &u, sizeof value);
  return position + 8;
}

int StateChunk::GetByte(uint8_t& value, int position) const {
  if (!Remaining(position, 1)) return -1;
  value = bytes_[size_t(position)];
  return position + 1;
}

}  // namespace fluvia
