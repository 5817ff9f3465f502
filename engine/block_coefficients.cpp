#include "engine/block_coefficients.h"

#include <cmath>

#include "engine/engine_params.h"
#include "engine/fast_math.h"
#include "engine/gate_envelope.h"

namespace fluvia {
namespace {

// Keeps one-pole coefficients strictly inside (0, 1) so that no stage freezes or passes its
// input straight through.
double ClampCoefficient(double x) {
  if (x <= 0.00001) return 0.00001;
  if (x >= 0.99999) return 0.99999;
  return x;
}

}  // namespace

double PowerCurve(double x, double exponent) {
  return fastmath::FlushOverflow(std::pow(x, exponent));
}

BlockCoefficients ComputeBlockCoefficients(const double* p, double sr) {
  BlockCoefficients c;
  c.volume = Clamp01(p[kAmpMainVolume]);
  c.highpassCutoff = 50.0 + 8950.0 * PowerCurve(Clamp01(p[kContainerSize]), 4.0);
  c.highpassQuality = 1.0 + 8.0 * PowerCurve(Clamp01(p[kContainerDamping]), 2.0);
  c.noiseCutoff = 400.0 + 2600.0 * PowerCurve(Clamp01(p[kSystemEnergyAmt]), 1.0);
  // The constants are used as written (they are not exactly pi and 2 pi x 4000).
  c.noiseCoefficient =
      ClampCoefficient(std::sin(sr == 0.0 ? 0.0 : c.noiseCutoff * 2.0 * 3.1415926535898 / sr));
  c.resonatorFeed = 0.7 * PowerCurve(Clamp01(p[kParticlesWeightVelocityRatio]), 1.0) - 0.5;
  c.massDelay = 2.0 + 198.0 * PowerCurve(Clamp01(p[kParticlesMassSpread]), 3.0);
  c.collisionRate = 300.0 + 19700.0 * PowerCurve(Clamp01(p[kParticlesCollisions]), 3.0);
  c.reciprocalSampleRate = 1.0 / sr;
  c.lowpassCoefficient = ClampCoefficient(std::sin(sr == 0.0 ? 0.0 : 25132.741228718 / sr));

  // Biquad highpass (the usual cookbook design).
  const double f0 = c.highpassCutoff > 0.0 ? c.highpassCutoff : 0.0;
  const double q = c.highpassQuality < 0.000001 ? 0.000001 : c.highpassQuality;
  const double w = sr == 0.0 ? 0.0 : f0 * 6.2831853071796 / sr;
  const double cs = std::cos(w);
  const double alpha = q == 0.0 ? 0.0 : std::sin(w) * 0.5 / q;
  const double g = 1.0 + alpha == 0.0 ? 0.0 : 1.0 / (1.0 + alpha);
  c.b0 = (cs + 1.0) * 0.5 * g;
  c.b1 = -(cs + 1.0) * g;
  c.a1 = cs * -2.0 * g;
  c.a2 = (1.0 - alpha) * g;

  c.rightSpreadDelay = sr * 0.04 * Clamp01(p[kSoundfieldAmt]);
  c.leftSpreadDelay = c.rightSpreadDelay * 0.4;
  return c;
}

}  // namespace fluvia
