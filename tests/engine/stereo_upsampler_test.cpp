// The upsampler as a filter (its measured response at every ratio), as a stream (the same
// samples however the stream is cut, with and without the wide vectors) and in silence.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/stereo_upsampler.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Stereo {
  std::vector<double> left, right;
};

Stereo Upsample(StereoUpsampler& upsampler, const Stereo& in, const std::vector<int>& cuts = {}) {
  Stereo out;
  const size_t frames = in.left.size();
  const size_t ratio = size_t(upsampler.Ratio());
  out.left.assign(frames * ratio, -1.0);
  out.right.assign(frames * ratio, -1.0);
  size_t done = 0;
  size_t cut = 0;
  while (done < frames) {
    size_t n = frames - done;
    if (!cuts.empty()) n = std::min(n, size_t(cuts[cut++ % cuts.size()]));
    upsampler.Process(in.left.data() + done, in.right.data() + done, int(n),
                      out.left.data() + done * ratio, out.right.data() + done * ratio);
    done += n;
  }
  return out;
}

Stereo Noise(size_t frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  Stereo s;
  for (size_t i = 0; i < frames; ++i) {
    s.left.push_back(value(random));
    s.right.push_back(0.5 * value(random));
  }
  return s;
}

// The spectrum of a finite response at frequency f (Hz) of a stream at `rate`, divided by
// `gain` (an interpolator by r turns a unit impulse into a response summing to r).
std::complex<double> SpectrumAt(const std::vector<double>& h, double f, double rate,
                                double gain = 1.0) {
  std::complex<double> sum = 0.0;
  const std::complex<double> step = std::polar(1.0, -2.0 * kPi * f / rate);
  std::complex<double> w = 1.0;
  for (double x : h) {
    sum += x * w;
    w *= step;
  }
  return sum / gain;
}

double Db(std::complex<double> h) { return 20.0 * std::log10(std::abs(h) + 1e-300); }

TEST(StereoUpsampler, KeepsTheAudibleBandAndRemovesEverythingAboveTheInputNyquistFrequency) {
  for (double inputRate : {44100.0, 48000.0}) {
    for (int ratio : {2, 4, 8, 16}) {
      SCOPED_TRACE(::testing::Message() << inputRate << " Hz x " << ratio);
      StereoUpsampler upsampler;
      ASSERT_TRUE(upsampler.Configure(ratio, inputRate));
      // An impulse on the left, a negative half-size one on the right, then the decay.
      Stereo in;
      in.left.assign(1500, 0.0);  // long enough for the slowest decay to reach -200 dB
      in.right.assign(1500, 0.0);
      in.left[0] = 1.0;
      in.right[0] = -0.5;
      const Stereo out = Upsample(upsampler, in);
      const double outputRate = inputRate * ratio;
      // No latency: the first output frame already answers the impulse.
      EXPECT_NE(out.left[0], 0.0);
      double passLow = HUGE_VAL, passHigh = -HUGE_VAL, stopHigh = -HUGE_VAL;
      for (double f = 0.0; f <= 20000.0; f += 250.0) {
        const double db = Db(SpectrumAt(out.left, f, outputRate, ratio));
        passLow = std::min(passLow, db);
        passHigh = std::max(passHigh, db);
        EXPECT_NEAR(Db(SpectrumAt(out.right, f, outputRate, ratio)), db - 6.0206, 1e-6) << f;
      }
      const double nyquist = inputRate / 2;
      const int points = 300;
      for (int i = 0; i <= points; ++i) {
        const double f = nyquist + (outputRate / 2 - nyquist) * i / points;
        stopHigh = std::max(stopHigh, Db(SpectrumAt(out.left, f, outputRate, ratio)));
      }
      EXPECT_GT(passLow, -0.03);
      EXPECT_LT(passHigh, 0.03);
      EXPECT_LT(stopHigh, -100.0);
      std::printf("[ response  ] %6.1f kHz x %2d: passband %+.4f..%+.4f dB, above %.2f kHz "
                  "at most %.1f dB\n",
                  inputRate / 1000, ratio, passLow, passHigh, nyquist / 1000, stopHigh);
    }
  }
}

TEST(StereoUpsampler, DelaysTheBandByAFewInputSamples) {
  // Not latency in the host's sense (nothing waits for later input), but what the phase
  // response does to the band: the group delay at 1 kHz and near the top of the band.
  StereoUpsampler upsampler;
  upsampler.Configure(2, 48000.0);
  Stereo in;
  in.left.assign(1500, 0.0);
  in.right.assign(1500, 0.0);
  in.left[0] = in.right[0] = 1.0;
  const Stereo out = Upsample(upsampler, in);
  auto groupDelayInInputSamples = [&](double f) {
    const double df = 1.0;
    const double phase1 = std::arg(SpectrumAt(out.left, f - df, 96000.0));
    const double phase2 = std::arg(SpectrumAt(out.left, f + df, 96000.0));
    double d = phase2 - phase1;
    while (d > kPi) d -= 2 * kPi;
    while (d < -kPi) d += 2 * kPi;
    return -d / (2 * kPi * 2 * df) * 48000.0;
  };
  const double at1k = groupDelayInInputSamples(1000.0);
  const double at10k = groupDelayInInputSamples(10000.0);
  std::printf("[ delay     ] group delay at 1 kHz %.2f, at 10 kHz %.2f input samples (48 kHz)\n",
              at1k, at10k);
  EXPECT_GT(at1k, 0.0);
  EXPECT_LT(at1k, 6.0);
  EXPECT_LT(at10k, 12.0);
}

TEST(StereoUpsampler, GivesTheSameSamplesHoweverTheStreamIsCut) {
  const Stereo in = Noise(5000, 7);
  for (double inputRate : {44100.0, 48000.0}) {
    for (int ratio : {2, 4, 8, 16}) {
      SCOPED_TRACE(::testing::Message() << inputRate << " Hz x " << ratio);
      StereoUpsampler whole;
      whole.Configure(ratio, inputRate);
      const Stereo reference = Upsample(whole, in);
      for (const std::vector<int>& cuts :
           {std::vector<int>{1}, {7}, {64}, {255, 257}, {1, 300, 2, 513}}) {
        StereoUpsampler cut;
        cut.Configure(ratio, inputRate);
        const Stereo out = Upsample(cut, in, cuts);
        ASSERT_EQ(out.left, reference.left);
        ASSERT_EQ(out.right, reference.right);
      }
      // The two-lane version gives the same samples as the four-lane one.
      StereoUpsampler narrow;
      narrow.Configure(ratio, inputRate);
      narrow.UseWideVectors(false);
      const Stereo out = Upsample(narrow, in, {100});
      ASSERT_EQ(out.left, reference.left);
      ASSERT_EQ(out.right, reference.right);
    }
  }
  std::printf("[ vectors   ] four lanes %s on this processor\n",
              StereoUpsampler::WideVectorsAvailable() ? "available" : "not available");
}

TEST(StereoUpsampler, SilenceDecaysToExactZerosAndThenCostsNothing) {
  StereoUpsampler upsampler;
  upsampler.Configure(4, 48000.0);
  EXPECT_TRUE(upsampler.StateIsZero());
  Stereo in = Noise(1000, 3);
  in.left.resize(48000, 0.0);  // a second of silence after the noise
  in.right.resize(48000, 0.0);
  const Stereo out = Upsample(upsampler, in, {333});
  EXPECT_TRUE(upsampler.StateIsZero());
  size_t lastNonZero = 0;
  for (size_t i = 0; i < out.left.size(); ++i) {
    ASSERT_NE(std::fpclassify(out.left[i]), FP_SUBNORMAL) << i;
    ASSERT_NE(std::fpclassify(out.right[i]), FP_SUBNORMAL) << i;
    if (out.left[i] != 0.0 || out.right[i] != 0.0) lastNonZero = i;
  }
  // The decay ends within a fifth of a second of the input.
  EXPECT_LT(lastNonZero / 4, size_t(1000 + 48000 / 5));
  // A new sound starts from the cleared state as from a reset.
  StereoUpsampler fresh;
  fresh.Configure(4, 48000.0);
  const Stereo again = Noise(300, 9);
  EXPECT_EQ(Upsample(upsampler, again).left, Upsample(fresh, again).left);
}

TEST(StereoUpsampler, RatiosOtherThanPowersOfTwoUpToSixteenAreRefused) {
  StereoUpsampler upsampler;
  ASSERT_TRUE(upsampler.Configure(2, 48000.0));
  for (int ratio : {0, 3, 6, 32, -2}) {
    EXPECT_FALSE(upsampler.Configure(ratio, 48000.0)) << ratio;
    EXPECT_EQ(upsampler.Ratio(), 2);
  }
  ASSERT_TRUE(upsampler.Configure(1, 48000.0));
  const Stereo in = Noise(100, 1);
  const Stereo out = Upsample(upsampler, in);
  EXPECT_EQ(out.left, in.left);
  EXPECT_EQ(out.right, in.right);
}

TEST(StereoUpsampler, ProcessingAllocatesNothing) {
  StereoUpsampler upsampler;
  upsampler.Configure(16, 48000.0);
  const Stereo in = Noise(600, 5);
  std::vector<double> left(600 * 16), right(600 * 16);
  test_support::AllocationCounter counter;
  for (int i = 0; i < 20; ++i) {
    upsampler.Process(in.left.data(), in.right.data(), 600, left.data(), right.data());
  }
  EXPECT_EQ(counter.Count(), 0u);
}

}  // namespace
}  // namespace fluvia
