// fluvia-analyze: measures rendered sounds so presets can be compared by numbers.
//
//   fluvia-analyze [--from SECONDS] [--to SECONDS] [--release SECONDS] [--octaves] FILE.wav...
//
// One line per file: peak and RMS level, crest factor, spectral centroid, spread and roll-offs
// (85 % and 95 % of the power), the power shares below 500 Hz, above 4 kHz and above 20 kHz,
// onsets per second, level fluctuation, stereo correlation and side level. With --release
// (when the note ended), also the tail: how long the sound takes from there to fall 60 dB
// below the analysed span's level.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/presets/audio_analysis.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: fluvia-analyze [--from SECONDS] [--to SECONDS] [--release SECONDS] "
               "[--octaves] FILE...\n");
  return 2;
}

bool ParseSeconds(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && value >= 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  double from = 0.0, to = 0.0, release = -1.0;
  bool octaves = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--from" || arg == "--to") && i + 1 < argc) {
      if (!ParseSeconds(argv[++i], arg == "--from" ? from : to)) return Usage();
    } else if (arg == "--release" && i + 1 < argc) {
      if (!ParseSeconds(argv[++i], release)) return Usage();
    } else if (arg == "--octaves") {
      octaves = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return Usage();

  std::printf("%-28s %6s %6s %5s %8s %7s %6s %7s %7s %5s %5s %5s %6s %5s %5s %6s %5s\n", "file",
              "peak", "rms", "crest", "centroid", "cent16k", "spread", "roll85", "roll95", "low",
              "high", ">20k", "events", "fluct", "corr", "side", "tail");
  int failures = 0;
  for (const std::string& path : files) {
    fluvia::analysis::StereoSignal signal;
    std::string error;
    if (!fluvia::analysis::ReadStereo(path, signal, error)) {
      std::fprintf(stderr, "fluvia-analyze: %s\n", error.c_str());
      ++failures;
      continue;
    }
    const auto m = fluvia::analysis::Analyse(signal, from, to);
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char tail[16] = "-";
    if (release >= 0.0) {
      std::snprintf(tail, sizeof tail, "%.2f",
                    fluvia::analysis::TailSeconds(signal, release, m.rmsDb));
    }
    std::printf("%-28s %6.1f %6.1f %5.1f %8.0f %7.0f %6.0f %7.0f %7.0f %5.2f %5.2f %5.3f %6.1f %5.1f "
                "%5.2f %6.1f %5s\n",
                name.c_str(), m.peakDb, m.rmsDb, m.crestDb, m.centroidHz, m.audibleCentroidHz,
                m.spreadHz, m.rolloffHz, m.rolloff95Hz, m.lowShare, m.highShare,
                m.ultrasonicShare, m.eventsPerSecond, m.fluctuationDb, m.correlation,
                m.sideToMidDb, tail);
    if (octaves) {
      std::printf("  octaves (dB of total):");
      const auto& centres = fluvia::analysis::OctaveCentres();
      for (size_t b = 0; b < centres.size(); ++b) {
        if (centres[b] > 0.0) std::printf(" %g:%.0f", centres[b], m.octaveDb[b]);
        else std::printf(" >22k:%.0f", m.octaveDb[b]);
      }
      std::printf("\n");
    }
  }
  return failures ? 1 : 0;
}
