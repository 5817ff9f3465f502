#include "tools/render/wav_file.h"

#include <sndfile.h>

#include <cmath>

namespace fluvia::render {

bool WriteStereoWav(const std::string& path, double sampleRate, const std::vector<float>& left,
                    const std::vector<float>& right, std::string& error) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    error = "cannot write '" + path + "': " + sf_strerror(nullptr);
    return false;
  }
  std::vector<float> interleaved(left.size() * 2);
  for (size_t i = 0; i < left.size(); ++i) {
    interleaved[2 * i] = left[i];
    interleaved[2 * i + 1] = right[i];
  }
  const sf_count_t written = sf_writef_float(file, interleaved.data(), sf_count_t(left.size()));
  const bool ok = written == sf_count_t(left.size());
  if (!ok) error = std::string("writing '") + path + "' failed: " + sf_strerror(file);
  sf_close(file);
  return ok;
}

}  // namespace fluvia::render
