#pragma once
// Writes stereo 32-bit float WAV files through libsndfile.

#include <string>
#include <vector>

namespace fluvia::render {

bool WriteStereoWav(const std::string& path, double sampleRate, const std::vector<float>& left,
                    const std::vector<float>& right, std::string& error);

}  // namespace fluvia::render
