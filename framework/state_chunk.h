#pragma once
// A growable byte buffer for saved state. Values are stored little-endian whatever the
// machine, so a project saved on one platform loads on the other. Reads take an explicit
// position and answer -1 when the value would run past the end.

#include <cstdint>
#include <string>
#include <vector>

namespace fluvia {

class StateChunk {
 public:
  int Size() const { return static_cast<int>(bytes_.size()); }
  const uint8_t* Data() const { return bytes_.data(); }
  uint8_t* Data() { return bytes_.data(); }
  void Resize(int size) { bytes_.resize(size > 0 ? size_t(size) : 0); }
  void Clear() { bytes_.clear(); }

  void PutBytes(const void* data, int size);
  void PutInt32(int32_t value);
  void PutDouble(double value);
  void PutByte(uint8_t value) { bytes_.push_back(value); }

  // Each returns the position after the value, or -1 (leaving the output untouched) when
  // the position is negative or too few bytes remain.
  int GetBytes(void* data, int size, int position) const;
  int GetInt32(int32_t& value, int position) const;
  int GetDouble(double& value, int position) const;
  int GetByte(uint8_t& value, int position) const;

  bool Remaining(int position, int size) const {
    return position >= 0 && size >= 0 && int64_t(position) + size <= int64_t(bytes_.size());
  }

 private:
  std::vector<uint8_t> bytes_;
};

// One of the base's own preset slots (hosts see these as the program list).
struct PluginPreset {
  static constexpr int kNameLength = 256;  // 255 characters and the terminator
  bool initialised = false;
  std::string name = "empty";
  StateChunk state;
};

}  // namespace fluvia
