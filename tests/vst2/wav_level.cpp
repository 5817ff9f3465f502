// wav_level FILE MIN_PEAK: prints the peak and RMS level of a sound file and exits with 0 when
// its peak reaches MIN_PEAK (full scale 1.0), 1 when it is quieter, 2 when it cannot be read.

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wav_level FILE MIN_PEAK\n");
    return 2;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
  if (!file) {
    std::fprintf(stderr, "cannot read %s: %s\n", argv[1], sf_strerror(nullptr));
    return 2;
  }
  std::vector<float> block(4096 * size_t(info.channels > 0 ? info.channels : 1));
  double peak = 0.0, squares = 0.0;
  sf_count_t samples = 0, got = 0;
  while ((got = sf_read_float(file, block.data(), sf_count_t(block.size()))) > 0) {
    for (sf_count_t i = 0; i < got; ++i) {
      const double s = double(block[size_t(i)]);
      peak = std::fmax(peak, std::fabs(s));
      squares += s * s;
    }
    samples += got;
  }
  sf_close(file);
  const double rms = samples ? std::sqrt(squares / double(samples)) : 0.0;
  std::printf("%s: %lld frames, %d channels, %d Hz, peak %.5f, rms %.5f\n", argv[1],
              static_cast<long long>(info.frames), info.channels, info.samplerate, peak, rms);
  return peak >= std::atof(argv[2]) ? 0 : 1;
}
