// Every factory preset sounds the same at the high rates of a family as at the family's base
// rate: each is played held and released through the instrument, as a host plays it, at 44.1
// and 48 kHz and at twice and four times those rates, and the renders are compared by the
// measures that tell water sounds apart.
//
// What is compared is what is heard, the band below 20 kHz. At its own rate the engine puts a
// good part of its energy between 20 kHz and the Nyquist frequency (up to two fifths of it,
// with the Shower preset at 48 kHz: the resonator rings near half the rate); that part cannot
// be kept at a higher rate without also putting its mirror image above the base rate's
// Nyquist frequency, which must stay 90 dB down. So both renders pass the same 20 kHz lowpass
// before they are measured. Every render starts from the same noise state, so at every rate the
// engine plays the same sound and the comparison sees the upsampler's effect alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/noise.h"
#include "instrument/fluvia.h"
#include "presets/preset_format.h"
#include "tests/instrument/instrument_fixture.h"
#include "tools/presets/audio_analysis.h"

namespace fluvia {
namespace {

constexpr double kHeldSeconds = 12.0;
constexpr double kTailSeconds = 2.0;
constexpr double kAnalysedFrom = 2.0;  // after the slowest attack (1.6 s)
constexpr int kBlock = 512;

// The factory preset files, by name.
std::vector<std::string> FactoryPresets() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(FLUVIA_FACTORY_PRESET_DIR)) {
    if (entry.path().extension() == ".fluviapreset") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

PresetValues ReadPreset(const std::string& name) {
  std::ifstream file(std::string(FLUVIA_FACTORY_PRESET_DIR) + "/" + name + ".fluviapreset",
                     std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return ParsePresetText(text.str());
}

// One held note and its release, rendered from the noise generator's load state.
analysis::StereoSignal Play(const PresetValues& values, double rate) {
  Fluvia plugin{testing::TestOptions()};
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetSampleRate(rate);
  plugin.SetMaxBlockSize(kBlock);
  plugin.ResetDsp();
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  for (size_t i = 0; i < kStoredPresetParamCount; ++i) {
    const int index = StoredPresetParams()[i].index;
    plugin.GetParam(index)->SetValue(*values[i]);
    plugin.ParamChanged(index);
  }
  SetNoiseState(kNoiseLoadState);
  analysis::StereoSignal signal;
  signal.sampleRate = rate;
  const long held = long(std::lround(kHeldSeconds * rate));
  const long total = held + long(std::lround(kTailSeconds * rate));
  signal.left.resize(size_t(total));
  signal.right.resize(size_t(total));
  plugin.ProcessMidi({0, 0x90, 60, 100});
  for (long done = 0; done < total;) {
    // The note off falls on a block boundary so that every rate releases at the same time.
    const long end = done < held ? std::min(held, done + kBlock) : std::min(total, done + kBlock);
    if (done == held) plugin.ProcessMidi({0, 0x80, 60, 0});
    float* outs[] = {signal.left.data() + done, signal.right.data() + done};
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(int(end - done));
    done = end;
  }
  return signal;
}

// What is heard of a render: the band below 20 kHz, measured over the held part and the
// release.
struct Heard {
  analysis::SoundMeasures held;
  double releaseSeconds = 0.0;
};

Heard Hear(const analysis::StereoSignal& signal) {
  const analysis::StereoSignal audible = analysis::BandLimited(signal, 18500.0, 20000.0);
  Heard heard;
  heard.held = analysis::Analyse(audible, kAnalysedFrom, kHeldSeconds);
  heard.releaseSeconds = analysis::TailSeconds(audible, kHeldSeconds, heard.held.rmsDb);
  return heard;
}

// Every ratio-th frame. For a render that holds nothing above the lower rate's Nyquist
// frequency (checked separately) these are the samples of the same sound at that rate, so it
// is measured on exactly the time and frequency grid of the base-rate render.
analysis::StereoSignal Decimate(const analysis::StereoSignal& signal, int ratio) {
  analysis::StereoSignal out;
  out.sampleRate = signal.sampleRate / ratio;
  out.left.reserve(signal.left.size() / size_t(ratio) + 1);
  out.right.reserve(signal.right.size() / size_t(ratio) + 1);
  for (size_t i = 0; i < signal.left.size(); i += size_t(ratio)) {
    out.left.push_back(signal.left[i]);
    out.right.push_back(signal.right[i]);
  }
  return out;
}

// The lag (0 to 8 frames) by which `later` follows `reference` most closely, from their
// correlation over two seconds of the held note. The upsampler's filters delay the band by
// about three base-rate frames (60 us); the event count, which looks at 5 ms frames, is
// compared on renders aligned by that lag, so that it compares the sounds and not where the
// frame boundaries happen to fall in them.
int LagBehind(const analysis::StereoSignal& reference, const analysis::StereoSignal& later) {
  const size_t from = size_t(kAnalysedFrom * reference.sampleRate);
  const size_t to = from + size_t(2.0 * reference.sampleRate);
  int best = 0;
  double bestSum = -HUGE_VAL;
  for (int lag = 0; lag <= 8; ++lag) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
      const double l = reference.left[i], r = reference.right[i];
      sum += l * double(later.left[i + size_t(lag)]) + r * double(later.right[i + size_t(lag)]);
    }
    if (sum > bestSum) bestSum = sum, best = lag;
  }
  return best;
}

// The signal `frames` earlier (zeros at the end).
analysis::StereoSignal Advance(const analysis::StereoSignal& s, int frames) {
  analysis::StereoSignal out = s;
  out.left.erase(out.left.begin(), out.left.begin() + frames);
  out.right.erase(out.right.begin(), out.right.begin() + frames);
  out.left.resize(s.left.size(), 0.0f);
  out.right.resize(s.right.size(), 0.0f);
  return out;
}

void Print(const std::string& what, double rate, const Heard& h, double aboveNyquistDb, int lag) {
  std::printf("%-24s %5.1f kHz: rms %6.2f dB  centroid %6.1f Hz  events %4.2f/s  corr %6.3f  "
              "release %5.3f s  above base Nyquist %6.1f dB  lag %d\n",
              what.c_str(), rate / 1000, h.held.rmsDb, h.held.centroidHz,
              h.held.eventsPerSecond, h.held.correlation, h.releaseSeconds, aboveNyquistDb, lag);
}

class RateFamilyTest : public ::testing::TestWithParam<std::string> {};

TEST(RateFamily, TheFactoryPresetsAreFound) { EXPECT_GE(FactoryPresets().size(), 6u); }

TEST_P(RateFamilyTest, HighRatesSoundAsTheBaseRateOfTheirFamily) {
  const std::string& name = GetParam();
  const PresetValues values = ReadPreset(name);
  for (const auto& value : values) ASSERT_TRUE(value.has_value()) << name;
  for (double base : {44100.0, 48000.0}) {
    const analysis::StereoSignal baseRender = Play(values, base);
    const Heard reference = Hear(baseRender);
    Print(name, base, reference, -300.0, 0);
    for (int ratio : {2, 4}) {
      const double rate = base * ratio;
      SCOPED_TRACE(::testing::Message() << name << " at " << rate << " Hz");
      const analysis::StereoSignal render = Play(values, rate);
      const double aboveNyquistDb =
          analysis::PowerShareAboveDb(render, kAnalysedFrom, kAnalysedFrom + 1.0, base / 2);
      const analysis::StereoSignal decimated = Decimate(render, ratio);
      const int lag = LagBehind(baseRender, decimated);
      const Heard heard = Hear(Advance(decimated, lag));
      Print(name, rate, heard, aboveNyquistDb, lag);

      EXPECT_LE(aboveNyquistDb, -90.0);
      EXPECT_NEAR(heard.held.rmsDb, reference.held.rmsDb, 0.5);
      EXPECT_NEAR(heard.held.centroidHz, reference.held.centroidHz,
                  0.03 * reference.held.centroidHz);
      // A count cannot tell apart densities closer than one event over the span.
      const double span = kHeldSeconds - kAnalysedFrom;
      EXPECT_NEAR(heard.held.eventsPerSecond, reference.held.eventsPerSecond,
                  std::max(0.05 * reference.held.eventsPerSecond, 1.01 / span));
      EXPECT_NEAR(heard.held.correlation, reference.held.correlation, 0.05);
      EXPECT_NEAR(heard.releaseSeconds, reference.releaseSeconds, 0.05 * reference.releaseSeconds);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FactoryPresets, RateFamilyTest, ::testing::ValuesIn(FactoryPresets()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name;
                           for (char c : param.param) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace fluvia
