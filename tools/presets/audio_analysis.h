#pragma once
// Measures that tell water sounds apart: level, brightness (spectral centroid), how impulsive
// the sound is (event density, crest factor, envelope fluctuation) and stereo width.

#include <string>
#include <vector>

namespace fluvia::analysis {

struct StereoSignal {
  double sampleRate = 0.0;
  std::vector<float> left;
  std::vector<float> right;
};

struct SoundMeasures {
  double seconds = 0.0;         // length of the analysed span
  double peakDb = 0.0;          // sample peak of both channels over the whole signal, dBFS
  double rmsDb = 0.0;           // RMS of both channels over the span, dBFS
  double crestDb = 0.0;         // peak over RMS within the span
  double centroidHz = 0.0;      // centroid of the span's average power spectrum (mid signal)
  double audibleCentroidHz = 0.0;  // the same between 20 Hz and 16 kHz only
  double spreadHz = 0.0;          // spectral spread around that centroid (narrow: small)
  double rolloffHz = 0.0;       // frequency below which 85 % of the power lies
  double rolloff95Hz = 0.0;     // frequency below which 95 % of the power lies
  double lowShare = 0.0;        // share of the power below 500 Hz
  double highShare = 0.0;       // share of the power above 4 kHz
  double ultrasonicShare = 0.0; // share of the power above 20 kHz: heard by nobody, yet it
                                // takes headroom and turns harsh when a host resamples
  double eventsPerSecond = 0.0; // onsets: sudden rises of the short-term level
  double fluctuationDb = 0.0;   // standard deviation of the 10 ms level, in dB
  double correlation = 1.0;     // left/right correlation coefficient (1: mono)
  double sideToMidDb = -300.0;  // side energy over mid energy
  // Power per octave band (centres 31.5 Hz to 16 kHz, then everything above 22.6 kHz), dB
  // relative to the whole.
  std::vector<double> octaveDb;
};

// Centre frequencies of the octave bands of SoundMeasures::octaveDb (0: the band above).
const std::vector<double>& OctaveCentres();

// Analyses [fromSeconds, toSeconds) of the signal (toSeconds <= 0: to the end).
SoundMeasures Analyse(const StereoSignal& signal, double fromSeconds, double toSeconds);

// The signal through a steep lowpass: within 0.01 dB up to passHz, at least 80 dB down from
// stopHz on (an elliptic filter of the order that takes at the signal's rate, so the band
// kept is the same at every rate). What remains of a sound in a band, the audible one say.
StereoSignal BandLimited(const StereoSignal& signal, double passHz, double stopHz);

// The share of the power of [fromSeconds, toSeconds) (both channels) that lies above aboveHz,
// in dB (-300 when there is none).
double PowerShareAboveDb(const StereoSignal& signal, double fromSeconds, double toSeconds,
                         double aboveHz);

// How long the sound takes to die away after the note ends at releaseSeconds: the time from
// there to the end of the last 10 ms frame whose level is within dropDb of referenceDb (the
// held sound's RMS). 0 when nothing after the release comes that close; the time to the end
// of the signal when it has not died away by then.
double TailSeconds(const StereoSignal& signal, double releaseSeconds, double referenceDb,
                   double dropDb = 60.0);

// Reads a WAV (or any format libsndfile knows) with one or two channels; false with a message.
bool ReadStereo(const std::string& path, StereoSignal& signal, std::string& error);

}  // namespace fluvia::analysis
