// Every factory preset sounds the same at the high rates of a family as at the family's base
// rate: each is played held and released through the instrument, as a host plays it, at 44.1
// and 48 kHz and at twice and four times those rates, and the renders are compared by the
// measures that tell water sounds apart.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
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

constexpr double kHeldSeconds = 22.0;
constexpr double kTailSeconds = 2.0;
constexpr double kAnalysedFrom = 2.0;  // after the slowest attack (1.6 s)
constexpr int kBlock = 512;

struct FactoryPreset {
  const char* file;
  std::string path() const { return std::string(FLUVIA_FACTORY_PRESET_DIR) + "/" + file; }
};

const FactoryPreset kPresets[] = {
    {"WLCM - The River Wild.fluviapreset"}, {"SFX - Faucet Water.fluviapreset"},
    {"SFX - Heavy Rain.fluviapreset"},      {"SFX - Light Rain.fluviapreset"},
    {"SFX - Shower.fluviapreset"},          {"SFX - Waterfall.fluviapreset"},
};

PresetValues ReadPreset(const FactoryPreset& preset) {
  std::ifstream file(preset.path(), std::ios::binary);
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
    plugin.GetParam(index)->SetValue(values[i].value_or(plugin.GetParam(index)->Value()));
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
  const analysis::StereoSignal audible = analysis::BandLimited(signal, 15000.0, 16000.0);
  return {analysis::Analyse(audible, kAnalysedFrom, kHeldSeconds),
          analysis::ReleaseSeconds(audible, kHeldSeconds, 60.0)};
}

// Every ratio-th frame. For a render that holds nothing above the lower rate's Nyquist
// frequency (checked separately) these are the samples of the same sound at that rate, so it
// is measured on exactly the time and frequency grid of the base-rate render.
analysis::StereoSignal Decimate(const analysis::StereoSignal& signal, int ratio) {
  analysis::StereoSignal out;
  out.sampleRate = signal.sampleRate / ratio;
  for (size_t i = 0; i < signal.left.size(); i += size_t(ratio)) {
    out.left.push_back(signal.left[i]);
    out.right.push_back(signal.right[i]);
  }
  return out;
}

void Print(const std::string& what, double rate, const Heard& h, double aboveNyquistDb) {
  std::printf("%-30s %6.1f kHz: rms %7.2f dB  centroid %7.1f Hz  events %5.2f/s  corr %6.3f  "
              "release %5.3f s  above base Nyquist %7.1f dB\n",
              what.c_str(), rate / 1000, h.held.rmsDb, h.held.centroidHz,
              h.held.eventsPerSecond, h.held.correlation, h.releaseSeconds, aboveNyquistDb);
}

class RateFamilyTest : public ::testing::TestWithParam<FactoryPreset> {};

TEST(RateFamilyTiming, Parts) {
  const PresetValues values = ReadPreset(kPresets[0]);
  for (double rate : {48000.0, 96000.0, 192000.0}) {
    auto t0 = std::chrono::steady_clock::now();
    const analysis::StereoSignal render = Play(values, rate);
    auto t1 = std::chrono::steady_clock::now();
    const double above = analysis::PowerShareAboveDb(render, kAnalysedFrom, kAnalysedFrom + 1.0, 24000);
    auto t2 = std::chrono::steady_clock::now();
    const analysis::StereoSignal d = Decimate(render, int(rate / 48000));
    auto t3 = std::chrono::steady_clock::now();
    const analysis::StereoSignal audible = analysis::BandLimited(d, 18500.0, 20000.0);
    auto t4 = std::chrono::steady_clock::now();
    auto m = analysis::Analyse(audible, kAnalysedFrom, kHeldSeconds);
    auto t5 = std::chrono::steady_clock::now();
    double rel = analysis::ReleaseSeconds(audible, kHeldSeconds, 60.0);
    auto t6 = std::chrono::steady_clock::now();
    auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    std::printf("%.0f: play %.1f above %.1f decimate %.1f band %.1f analyse %.1f release %.1f (%g %g %g)\n", rate, ms(t0,t1), ms(t1,t2), ms(t2,t3), ms(t3,t4), ms(t4,t5), ms(t5,t6), above, m.rmsDb, rel);
  }
}

TEST_P(RateFamilyTest, HighRatesSoundAsTheBaseRateOfTheirFamily) {
  const FactoryPreset& preset = GetParam();
  const PresetValues values = ReadPreset(preset);
  ASSERT_TRUE(values[0].has_value()) << preset.path();
  const std::string name = std::string(preset.file).substr(0, std::string(preset.file).find('.'));
  for (double base : {44100.0, 48000.0}) {
    const Heard reference = Hear(Play(values, base));
    Print(name, base, reference, -300.0);
    for (int ratio : {2, 4}) {
      const double rate = base * ratio;
      SCOPED_TRACE(::testing::Message() << name << " at " << rate << " Hz");
      const analysis::StereoSignal render = Play(values, rate);
      const double aboveNyquistDb =
          analysis::PowerShareAboveDb(render, kAnalysedFrom, kAnalysedFrom + 1.0, base / 2);
      const Heard heard = Hear(Decimate(render, ratio));
      Print(name, rate, heard, aboveNyquistDb);

      EXPECT_LE(aboveNyquistDb, -90.0);
      EXPECT_NEAR(heard.held.rmsDb, reference.held.rmsDb, 0.5);
      EXPECT_NEAR(heard.held.centroidHz, reference.held.centroidHz,
                  0.03 * reference.held.centroidHz);
      EXPECT_NEAR(heard.held.eventsPerSecond, reference.held.eventsPerSecond,
                  0.05 * reference.held.eventsPerSecond);
      EXPECT_NEAR(heard.held.correlation, reference.held.correlation, 0.05);
      EXPECT_NEAR(heard.releaseSeconds, reference.releaseSeconds, 0.05 * reference.releaseSeconds);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FactoryPresets, RateFamilyTest, ::testing::ValuesIn(kPresets),
                         [](const ::testing::TestParamInfo<FactoryPreset>& param) {
                           std::string name;
                           for (const char* c = param.param.file; *c && *c != '.'; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace fluvia
