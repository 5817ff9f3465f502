#include "tools/presets/audio_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace fluvia::analysis {
namespace {

constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;

StereoSignal Silence(double seconds) {
  StereoSignal s;
  s.sampleRate = kRate;
  s.left.assign(size_t(seconds * kRate), 0.0f);
  s.right = s.left;
  return s;
}

TEST(AudioAnalysis, SineGivesItsLevelAndFrequency) {
  StereoSignal s = Silence(2.0);
  for (size_t i = 0; i < s.left.size(); ++i) {
    s.left[i] = s.right[i] = float(0.5 * std::sin(2.0 * kPi * 1000.0 * double(i) / kRate));
  }
  const SoundMeasures m = Analyse(s, 0.0, 0.0);
  EXPECT_NEAR(m.peakDb, -6.02, 0.05);
  EXPECT_NEAR(m.rmsDb, -9.03, 0.05);
  EXPECT_NEAR(m.audibleCentroidHz, 1000.0, 25.0);
  EXPECT_LT(m.spreadHz, 100.0);
  EXPECT_NEAR(m.correlation, 1.0, 1e-9);
  EXPECT_LT(m.eventsPerSecond, 1.0);
  EXPECT_NEAR(m.octaveDb[5], 0.0, 0.5);  // all of it in the 1 kHz octave
}

TEST(AudioAnalysis, ClicksCountAsEventsAndSteadyNoiseDoesNot) {
  std::mt19937 random(3);
  std::normal_distribution<float> noise(0.0f, 0.01f);
  StereoSignal steady = Silence(4.0), clicks = Silence(4.0);
  for (size_t i = 0; i < steady.left.size(); ++i) {
    steady.left[i] = noise(random);
    steady.right[i] = noise(random);  // independent channels: uncorrelated, wide
    clicks.left[i] = clicks.right[i] = steady.left[i];
  }
  // Eight decaying clicks a second on the same noise floor.
  for (size_t start = 1000; start + 500 < clicks.left.size(); start += size_t(kRate / 8)) {
    for (size_t k = 0; k < 500; ++k) clicks.left[start + k] += float(0.5 * std::exp(-double(k) / 60.0) * ((k & 1) ? 1 : -1));
    for (size_t k = 0; k < 500; ++k) clicks.right[start + k] = clicks.left[start + k];
  }
  const SoundMeasures a = Analyse(steady, 0.0, 0.0);
  const SoundMeasures b = Analyse(clicks, 0.0, 0.0);
  EXPECT_LT(a.eventsPerSecond, 1.0);
  EXPECT_NEAR(b.eventsPerSecond, 8.0, 1.0);
  EXPECT_GT(b.crestDb, a.crestDb + 5.0);
  EXPECT_GT(b.fluctuationDb, a.fluctuationDb + 3.0);
  EXPECT_NEAR(a.correlation, 0.0, 0.05);
  EXPECT_NEAR(a.sideToMidDb, 0.0, 0.5);
}

TEST(AudioAnalysis, PowerAboveTwentyKilohertzRollOffsAndTail) {
  // Equal parts at 1 kHz and 22 kHz for 2 s, then a 1 kHz tone falling 20 dB per 100 ms.
  StereoSignal s = Silence(3.0);
  for (size_t i = 0; i < s.left.size(); ++i) {
    const double t = double(i) / kRate;
    const double low = std::sin(2.0 * kPi * 1000.0 * t);
    const double high = std::sin(2.0 * kPi * 22000.0 * t);
    const double v = t < 2.0 ? 0.25 * (low + high) : 0.25 * std::pow(10.0, -10.0 * (t - 2.0)) * low;
    s.left[i] = s.right[i] = float(v);
  }
  const SoundMeasures m = Analyse(s, 0.0, 2.0);
  EXPECT_NEAR(m.ultrasonicShare, 0.5, 0.02);
  EXPECT_NEAR(m.rolloffHz, 22000.0, 50.0);  // 85 % of the power is only reached at 22 kHz
  EXPECT_NEAR(m.rolloff95Hz, 22000.0, 50.0);
  EXPECT_NEAR(m.audibleCentroidHz, 1000.0, 25.0);  // the audible measures ignore the top
  // The tone after 2 s starts 3 dB below the span (half its power) and falls 200 dB/s:
  // 60 dB below the span after (60 - 3) / 200 s.
  EXPECT_NEAR(TailSeconds(s, 2.0, m.rmsDb), 0.285, 0.015);
  EXPECT_NEAR(TailSeconds(s, 2.0, m.rmsDb, 20.0), 0.085, 0.015);
  EXPECT_EQ(TailSeconds(s, 2.0, m.rmsDb + 10.0, 0.0), 0.0);  // nothing that loud after 2 s
}

TEST(AudioAnalysis, BandLimitKeepsTheBandAndRemovesWhatLiesAbove) {
  for (double rate : {48000.0, 96000.0}) {
    SCOPED_TRACE(rate);
    StereoSignal low, high;
    low.sampleRate = high.sampleRate = rate;
    for (size_t i = 0; i < size_t(rate); ++i) {
      const double t = double(i) / rate;
      low.left.push_back(float(0.5 * std::sin(2.0 * kPi * 1000.0 * t)));
      low.right.push_back(float(0.25 * std::sin(2.0 * kPi * 15000.0 * t)));
      high.left.push_back(float(0.5 * std::sin(2.0 * kPi * 22000.0 * t)));
      high.right.push_back(high.left.back());
    }
    const SoundMeasures kept = Analyse(BandLimited(low, 18500.0, 20000.0), 0.5, 0.0);
    const SoundMeasures before = Analyse(low, 0.5, 0.0);
    EXPECT_NEAR(kept.rmsDb, before.rmsDb, 0.01);
    const SoundMeasures removed = Analyse(BandLimited(high, 18500.0, 20000.0), 0.5, 0.0);
    EXPECT_LT(removed.rmsDb, Analyse(high, 0.5, 0.0).rmsDb - 80.0);
  }
}

TEST(AudioAnalysis, PowerAboveAFrequencyIsTheShareOfThatPart) {
  StereoSignal s = Silence(1.0);
  for (size_t i = 0; i < s.left.size(); ++i) {
    const double t = double(i) / kRate;
    // Equal power at 1 kHz and at 10 kHz on the left, 1 kHz alone on the right.
    s.left[i] = float(0.5 * std::sin(2.0 * kPi * 1000.0 * t) + 0.5 * std::sin(2.0 * kPi * 10000.0 * t));
    s.right[i] = float(0.5 * std::sin(2.0 * kPi * 1000.0 * t));
  }
  EXPECT_NEAR(PowerShareAboveDb(s, 0.0, 0.0, 5000.0), 10.0 * std::log10(1.0 / 3.0), 0.05);
  EXPECT_LT(PowerShareAboveDb(s, 0.0, 0.0, 12000.0), -100.0);  // only window leakage
}

}  // namespace
}  // namespace fluvia::analysis
