// Everything the synthesis loop needs that depends only on parameters and the sample rate.
// Computed once per rendered block; the per-sample loop then uses plain arithmetic.
#pragma once

namespace fluvia {

struct BlockCoefficients {
  double volume;
  double highpassCutoff;  // Hz
  double highpassQuality;
  double noiseCutoff;       // Hz
  double noiseCoefficient;  // one-pole coefficient of the four noise stages
  double resonatorFeed;
  double massDelay;      // resonator delay per unit of held excitation, samples
  double collisionRate;  // Hz
  double reciprocalSampleRate;
  double lowpassCoefficient;  // the 4 kHz one-pole
  double b0, b1, a1, a2;      // container highpass; the third feed-forward tap equals b0
  double rightSpreadDelay;    // samples
  double leftSpreadDelay;     // samples
};

// `parameters` holds the engine's parameter values in index order.
BlockCoefficients ComputeBlockCoefficients(const double* parameters, double sampleRate);

// The flushed power curve used for the parameter shapes (library pow).
double PowerCurve(double x, double exponent);

}  // namespace fluvia
