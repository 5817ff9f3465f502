#include "app/core/state_file.h"

#include <cstdint>
#include <cstring>

#include "presets/preset_file_io.h"
#include "presets/settings_file.h"

namespace fluvia::app {
namespace {

constexpr char kMagic[] = "FluviaAppState\n";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = kMagicSize + 8;
constexpr std::size_t kMaxStateFileBytes = 64 * 1024;

void PutUint32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(char((value >> shift) & 0xFF));
}

uint32_t GetUint32(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(uint8_t(bytes[at + size_t(i)])) << (8 * i);
  return value;
}

}  // namespace

std::string StateFileFor(const std::string& presetFolder) {
  const std::string settings = SettingsFileFor(presetFolder);
  const auto slash = settings.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : settings.substr(0, slash + 1)) +
         kStateFileName;
}

std::string EncodeState(const StateChunk& block) {
  std::string out(kMagic, kMagicSize);
  PutUint32(out, kVersion);
  PutUint32(out, uint32_t(block.Size()));
  out.append(reinterpret_cast<const char*>(block.Data()), size_t(block.Size()));
  return out;
}

bool DecodeState(const std::string& bytes, int expectedSize, StateChunk& block) {
  if (expectedSize < 0 || bytes.size() != kHeaderSize + size_t(expectedSize)) return false;
  if (std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) return false;
  if (GetUint32(bytes, kMagicSize) != kVersion) return false;
  if (GetUint32(bytes, kMagicSize + 4) != uint32_t(expectedSize)) return false;
  block.Clear();
  block.PutBytes(bytes.data() + kHeaderSize, expectedSize);
  return true;
}

StateRead ReadStateFile(const std::string& path, int expectedSize, StateChunk& block,
                        std::string& setAside) {
  setAside.clear();
  if (!PathExists(path)) return StateRead::Missing;
  const std::optional<std::string> bytes = ReadSmallFile(path, kMaxStateFileBytes);
  if (bytes && DecodeState(*bytes, expectedSize, block)) return StateRead::Restored;
  const std::string aside = path + ".damaged";
  if (ReplaceFileWith(path, aside)) setAside = aside;
  return StateRead::Damaged;
}

bool WriteStateFile(const std::string& path, const StateChunk& block) {
  const auto slash = path.find_last_of("/\\");
  if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
  return WriteFileReplacing(path, EncodeState(block));
}

}  // namespace fluvia::app
