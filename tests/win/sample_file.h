#pragma once
// Rendered audio and state blocks as plain files, so that the Windows and Linux runs of the
// module check can be compared by a third process: little-endian doubles, or raw bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace fluvia::modulecheck {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes);
bool WriteSamples(const std::string& path, const std::vector<double>& samples);
bool ReadSamples(const std::string& path, std::vector<double>& samples);

}  // namespace fluvia::modulecheck
