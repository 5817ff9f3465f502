#include "tests/win/sample_file.h"

#include <cstdio>
#include <cstring>

namespace fluvia::modulecheck {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// Both platforms are little-endian x86-64, so the bytes of a double are the file's bytes.
bool WriteSamples(const std::string& path, const std::vector<double>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * sizeof(double));
  if (!samples.empty()) std::memcpy(bytes.data(), samples.data(), bytes.size());
  return WriteBytes(path, bytes);
}

bool ReadSamples(const std::string& path, std::vector<double>& samples) {
  std::vector<std::uint8_t> bytes;
  if (!ReadBytes(path, bytes) || bytes.size() % sizeof(double) != 0) return false;
  samples.resize(bytes.size() / sizeof(double));
  if (!bytes.empty()) std::memcpy(samples.data(), bytes.data(), bytes.size());
  return true;
}

}  // namespace fluvia::modulecheck
