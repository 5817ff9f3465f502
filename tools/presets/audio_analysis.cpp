#include "tools/presets/audio_analysis.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

#include "engine/elliptic_design.h"

namespace fluvia::analysis {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFftSize = 4096;

double ToDb(double ratio) { return ratio > 0.0 ? 20.0 * std::log10(ratio) : -300.0; }

// In-place radix-2 FFT; the size is a power of two. The twiddle factors come from one table
// and the butterflies multiply in plain real arithmetic (the library's complex product checks
// for infinities on every call, which costs more than the transform itself).
struct Twiddles {
  explicit Twiddles(size_t n) : cosines(n / 2), sines(n / 2) {
    for (size_t k = 0; k < n / 2; ++k) {
      cosines[k] = std::cos(2.0 * kPi * double(k) / double(n));
      sines[k] = -std::sin(2.0 * kPi * double(k) / double(n));
    }
  }
  std::vector<double> cosines, sines;
};

void Fft(std::vector<std::complex<double>>& data, const Twiddles& twiddles) {
  const size_t n = data.size();
  const std::vector<double>& cosines = twiddles.cosines;
  const std::vector<double>& sines = twiddles.sines;
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  double* values = reinterpret_cast<double*>(data.data());
  for (size_t len = 2; len <= n; len <<= 1) {
    const size_t half = len / 2;
    const size_t stride = n / len;
    for (size_t start = 0; start < n; start += len) {
      for (size_t k = 0; k < half; ++k) {
        const double wr = cosines[k * stride], wi = sines[k * stride];
        double* a = values + 2 * (start + k);
        double* b = values + 2 * (start + k + half);
        const double br = b[0] * wr - b[1] * wi;
        const double bi = b[0] * wi + b[1] * wr;
        b[0] = a[0] - br;
        b[1] = a[1] - bi;
        a[0] += br;
        a[1] += bi;
      }
    }
  }
}

// An elliptic lowpass of kSections sections over both channels in one loop, the states in
// locals, so that the two channels' recursions and consecutive frames overlap.
template <int kSections>
void RunLowpass(const EllipticLowpass& filter, const StereoSignal& in, StereoSignal& out, size_t n) {
  double c[kSections], a1[kSections], a2[kSections];
  bool first[kSections];
  for (int j = 0; j < kSections; ++j) {
    const LowpassSection& section = filter.sections[size_t(j)];
    c[j] = section.c, a1[j] = section.a1, a2[j] = section.a2, first[j] = section.firstOrder;
  }
  double s1[2][kSections] = {}, s2[2][kSections] = {};
  for (size_t i = 0; i < n; ++i) {
    double x[2] = {double(in.left[i]) * filter.gain, double(in.right[i]) * filter.gain};
#pragma GCC unroll 16
    for (int j = 0; j < kSections; ++j) {
#pragma GCC unroll 2
      for (int ch = 0; ch < 2; ++ch) {
        const double y = x[ch] + s1[ch][j];
        // A first-order section is the same recursion without the second state (a2 = 0, and
        // its numerator 1 + z^-1 is c = 1 with no z^-2 term).
        const double next1 = first[j] ? x[ch] - a1[j] * y : (c[j] * x[ch] + s2[ch][j]) - a1[j] * y;
        const double next2 = x[ch] - a2[j] * y;
        // A decaying tail must not reach the denormal range, where arithmetic is very slow.
        s1[ch][j] = std::fabs(next1) < 1e-200 ? 0.0 : next1;
        s2[ch][j] = std::fabs(next2) < 1e-200 ? 0.0 : next2;
        x[ch] = y;
      }
    }
    out.left[i] = float(x[0]);
    out.right[i] = float(x[1]);
  }
}

// Average power spectrum of the mid signal over Hann-windowed frames, half overlapping.
std::vector<double> AveragePowerSpectrum(const std::vector<double>& mid) {
  std::vector<double> power(kFftSize / 2 + 1, 0.0);
  if (mid.size() < size_t(kFftSize)) return power;
  std::vector<double> window(kFftSize);
  for (int i = 0; i < kFftSize; ++i) window[size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * kPi * i / kFftSize);
  std::vector<std::complex<double>> frame(kFftSize);
  const Twiddles twiddles(kFftSize);
  int frames = 0;
  for (size_t start = 0; start + kFftSize <= mid.size(); start += kFftSize / 2, ++frames) {
    for (int i = 0; i < kFftSize; ++i) frame[size_t(i)] = mid[start + size_t(i)] * window[size_t(i)];
    Fft(frame, twiddles);
    for (size_t k = 0; k < power.size(); ++k) power[k] += std::norm(frame[k]);
  }
  for (double& p : power) p /= frames;
  return power;
}

// Onsets: the level in 5 ms frames jumps at least 6 dB above the median level of the 200 ms
// around it, and is the highest frame within 20 ms. This counts drops and splashes, not the
// steady grain of a hiss.
double OnsetsPerSecond(const std::vector<double>& mid, double sampleRate) {
  const size_t hop = std::max<size_t>(1, size_t(sampleRate * 0.005));
  std::vector<double> level;
  // The first difference weights the sudden part of a sound, which is what an impact adds.
  for (size_t start = 1; start + hop <= mid.size(); start += hop) {
    double sum = 0.0;
    for (size_t i = start; i < start + hop; ++i) {
      const double d = mid[i] - mid[i - 1];
      sum += d * d;
    }
    level.push_back(sum / double(hop));
  }
  if (level.empty()) return 0.0;
  const int context = 20;  // frames either side for the median (200 ms in all)
  const int peakSpan = 4;  // frames either side that must not be higher
  int onsets = 0;
  std::vector<double> around;
  for (int i = 0; i < int(level.size()); ++i) {
    around.clear();
    for (int j = std::max(0, i - context); j <= std::min(int(level.size()) - 1, i + context); ++j) {
      around.push_back(level[size_t(j)]);
    }
    std::nth_element(around.begin(), around.begin() + long(around.size() / 2), around.end());
    const double median = around[around.size() / 2];
    if (!(level[size_t(i)] > 4.0 * median) || level[size_t(i)] < 1e-12) continue;
    bool highest = true;
    for (int j = std::max(0, i - peakSpan); j <= std::min(int(level.size()) - 1, i + peakSpan); ++j) {
      if (j == i) continue;
      // On a plateau only its first frame counts.
      if (level[size_t(j)] > level[size_t(i)] || (j < i && level[size_t(j)] == level[size_t(i)])) {
        highest = false;
      }
    }
    if (highest) ++onsets;
  }
  return onsets / (double(level.size()) * double(hop) / sampleRate);
}

double FluctuationDb(const std::vector<double>& mid, double sampleRate) {
  const size_t hop = std::max<size_t>(1, size_t(sampleRate * 0.01));
  std::vector<double> db;
  for (size_t start = 0; start + hop <= mid.size(); start += hop) {
    double sum = 0.0;
    for (size_t i = start; i < start + hop; ++i) sum += mid[i] * mid[i];
    db.push_back(10.0 * std::log10(sum / double(hop) + 1e-20));
  }
  if (db.size() < 2) return 0.0;
  const double mean = std::accumulate(db.begin(), db.end(), 0.0) / double(db.size());
  double var = 0.0;
  for (double x : db) var += (x - mean) * (x - mean);
  return std::sqrt(var / double(db.size()));
}

}  // namespace

const std::vector<double>& OctaveCentres() {
  static const std::vector<double> centres = {31.5, 63, 125, 250, 500, 1000, 2000,
                                              4000, 8000, 16000, 0};
  return centres;
}

SoundMeasures Analyse(const StereoSignal& signal, double fromSeconds, double toSeconds) {
  SoundMeasures m;
  const size_t total = std::min(signal.left.size(), signal.right.size());
  const double sr = signal.sampleRate;
  if (total == 0 || sr <= 0.0) return m;

  double peak = 0.0;
  for (size_t i = 0; i < total; ++i) {
    peak = std::max({peak, double(std::fabs(signal.left[i])), double(std::fabs(signal.right[i]))});
  }
  m.peakDb = ToDb(peak);

  const size_t from = std::min(total, size_t(std::max(0.0, fromSeconds) * sr));
  const size_t to = toSeconds > 0.0 ? std::min(total, size_t(toSeconds * sr)) : total;
  if (to <= from) return m;
  m.seconds = double(to - from) / sr;

  std::vector<double> mid(to - from);
  double sumLL = 0.0, sumRR = 0.0, sumLR = 0.0, sumMid = 0.0, sumSide = 0.0, spanPeak = 0.0;
  for (size_t i = from; i < to; ++i) {
    const double l = signal.left[i], r = signal.right[i];
    sumLL += l * l;
    sumRR += r * r;
    sumLR += l * r;
    mid[i - from] = 0.5 * (l + r);
    sumMid += 0.25 * (l + r) * (l + r);
    sumSide += 0.25 * (l - r) * (l - r);
    spanPeak = std::max({spanPeak, std::fabs(l), std::fabs(r)});
  }
  const double rms = std::sqrt((sumLL + sumRR) / (2.0 * double(to - from)));
  m.rmsDb = ToDb(rms);
  m.crestDb = rms > 0.0 ? ToDb(spanPeak / rms) : 0.0;
  m.correlation = (sumLL > 0.0 && sumRR > 0.0) ? sumLR / std::sqrt(sumLL * sumRR) : 1.0;
  m.sideToMidDb = sumMid > 0.0 && sumSide > 0.0 ? 10.0 * std::log10(sumSide / sumMid) : -300.0;

  const std::vector<double> power = AveragePowerSpectrum(mid);
  const double binHz = sr / kFftSize;
  double sumPower = 0.0, weighted = 0.0, low = 0.0, high = 0.0, ultrasonic = 0.0;
  double audiblePower = 0.0, audibleWeighted = 0.0;
  for (size_t k = 1; k < power.size(); ++k) {  // without DC
    const double f = double(k) * binHz;
    sumPower += power[k];
    weighted += power[k] * f;
    if (f >= 20.0 && f <= 16000.0) {
      audiblePower += power[k];
      audibleWeighted += power[k] * f;
    }
    if (f < 500.0) low += power[k];
    if (f > 4000.0) high += power[k];
    if (f > 20000.0) ultrasonic += power[k];
  }
  if (sumPower > 0.0) {
    m.centroidHz = weighted / sumPower;
    if (audiblePower > 0.0) {
      m.audibleCentroidHz = audibleWeighted / audiblePower;
      double moment = 0.0;
      for (size_t k = 1; k < power.size(); ++k) {
        const double f = double(k) * binHz;
        if (f >= 20.0 && f <= 16000.0) moment += power[k] * (f - m.audibleCentroidHz) * (f - m.audibleCentroidHz);
      }
      m.spreadHz = std::sqrt(moment / audiblePower);
    }
    m.lowShare = low / sumPower;
    m.highShare = high / sumPower;
    m.ultrasonicShare = ultrasonic / sumPower;
    double running = 0.0;
    for (size_t k = 1; k < power.size(); ++k) {
      running += power[k];
      if (m.rolloffHz == 0.0 && running >= 0.85 * sumPower) m.rolloffHz = double(k) * binHz;
      if (running >= 0.95 * sumPower) {
        m.rolloff95Hz = double(k) * binHz;
        break;
      }
    }
  }
  const std::vector<double>& centres = OctaveCentres();
  m.octaveDb.assign(centres.size(), -300.0);
  if (sumPower > 0.0) {
    std::vector<double> band(centres.size(), 0.0);
    for (size_t k = 1; k < power.size(); ++k) {
      const double f = double(k) * binHz;
      size_t b = centres.size() - 1;  // above the last octave
      for (size_t c = 0; c + 1 < centres.size(); ++c) {
        if (f < centres[c] * std::sqrt(2.0)) {
          b = c;
          break;
        }
      }
      if (f >= centres[0] / std::sqrt(2.0)) band[b] += power[k];
    }
    for (size_t b = 0; b < band.size(); ++b) {
      m.octaveDb[b] = band[b] > 0.0 ? 10.0 * std::log10(band[b] / sumPower) : -300.0;
    }
  }
  m.eventsPerSecond = OnsetsPerSecond(mid, sr);
  m.fluctuationDb = FluctuationDb(mid, sr);
  return m;
}

StereoSignal BandLimited(const StereoSignal& signal, double passHz, double stopHz) {
  StereoSignal out;
  out.sampleRate = signal.sampleRate;
  const double sr = signal.sampleRate;
  if (!(sr > 0.0) || !(passHz > 0.0) || !(stopHz > passHz) || stopHz >= sr / 2) {
    out.left = signal.left;
    out.right = signal.right;
    return out;
  }
  const EllipticLowpass filter = DesignEllipticLowpass(passHz / sr, stopHz / sr, 0.01, 80.0);
  const size_t n = std::min(signal.left.size(), signal.right.size());
  out.left.resize(n);
  out.right.resize(n);
  switch (filter.sectionCount) {
    case 1: RunLowpass<1>(filter, signal, out, n); break;
    case 2: RunLowpass<2>(filter, signal, out, n); break;
    case 3: RunLowpass<3>(filter, signal, out, n); break;
    case 4: RunLowpass<4>(filter, signal, out, n); break;
    case 5: RunLowpass<5>(filter, signal, out, n); break;
    case 6: RunLowpass<6>(filter, signal, out, n); break;
    case 7: RunLowpass<7>(filter, signal, out, n); break;
    case 8: RunLowpass<8>(filter, signal, out, n); break;
    default: RunLowpass<9>(filter, signal, out, n); break;
  }
  return out;
}

double PowerShareAboveDb(const StereoSignal& signal, double fromSeconds, double toSeconds,
                         double aboveHz) {
  const size_t total = std::min(signal.left.size(), signal.right.size());
  const double sr = signal.sampleRate;
  if (total == 0 || sr <= 0.0) return -300.0;
  const size_t from = std::min(total, size_t(std::max(0.0, fromSeconds) * sr));
  const size_t to = toSeconds > 0.0 ? std::min(total, size_t(toSeconds * sr)) : total;
  if (to <= from) return -300.0;
  double above = 0.0, all = 0.0;
  for (const std::vector<float>* channel : {&signal.left, &signal.right}) {
    std::vector<double> span(channel->begin() + long(from), channel->begin() + long(to));
    const std::vector<double> power = AveragePowerSpectrum(span);
    for (size_t k = 1; k < power.size(); ++k) {
      all += power[k];
      if (double(k) * sr / kFftSize > aboveHz) above += power[k];
    }
  }
  return all > 0.0 && above > 0.0 ? 10.0 * std::log10(above / all) : -300.0;
}

double TailSeconds(const StereoSignal& signal, double releaseSeconds, double referenceDb,
                   double dropDb) {
  const size_t total = std::min(signal.left.size(), signal.right.size());
  const double sr = signal.sampleRate;
  if (sr <= 0.0) return 0.0;
  const size_t release = size_t(std::max(0.0, releaseSeconds) * sr);
  const size_t hop = std::max<size_t>(1, size_t(sr * 0.01));
  // Power of both channels, compared as a mean square with the reference.
  const double threshold = std::pow(10.0, (referenceDb - dropDb) / 10.0);
  size_t lastEnd = release;
  for (size_t start = release; start + hop <= total; start += hop) {
    double sum = 0.0;
    for (size_t i = start; i < start + hop; ++i) {
      const double l = signal.left[i], r = signal.right[i];
      sum += l * l + r * r;
    }
    if (sum / double(2 * hop) >= threshold) lastEnd = start + hop;
  }
  return double(lastEnd - release) / sr;
}

bool ReadStereo(const std::string& path, StereoSignal& signal, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.channels > 2 || info.frames < 0) {
    sf_close(file);
    error = path + ": expected one or two channels";
    return false;
  }
  std::vector<float> interleaved(size_t(info.frames) * size_t(info.channels));
  const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  signal.sampleRate = info.samplerate;
  signal.left.resize(size_t(got));
  signal.right.resize(size_t(got));
  for (size_t i = 0; i < size_t(got); ++i) {
    signal.left[i] = interleaved[i * size_t(info.channels)];
    signal.right[i] = interleaved[i * size_t(info.channels) + size_t(info.channels - 1)];
  }
  return true;
}

}  // namespace fluvia::analysis
