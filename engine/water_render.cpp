// WaterEngine::Render: the per-block setup and the synthesis loops.
//
// A frame's work is a long chain of dependent operations (noise filter, resonator, filters,
// tanh), but consecutive frames are linked only through a few short recurrences. One fused
// per-frame loop leaves the processor waiting on each frame's chain; so a block is rendered in
// chunks, each chunk in passes whose frames overlap freely:
//   1. the gate envelope's raw level (it depends only on the gate),
//   2. the drive: noise and its four-stage filter, envelope slew, and the collision clock that
//      samples the shaped noise into the held excitation,
//   3. the resonator (excitation and resonator lines), 4 kHz lowpass and container highpass,
//   4. saturation and volume,
//   5. the two spread delays.
// Each delay line is used by one pass only, in frame order, and every value crosses from one
// pass to the next unchanged, so the result equals running all steps of a frame before the
// next frame. Hot state lives in locals within a pass.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "engine/fast_math.h"
#include "engine/noise.h"
#include "engine/water_engine.h"

namespace fluvia {
namespace {

using namespace fastmath;

// Frames per chunk: large enough to amortise the passes, small enough that the chunk buffers
// stay in the first-level cache.
constexpr int kChunkFrames = 128;

struct DriveState {
  std::uint32_t noise;
  double s1, s2, s3, s4;  // noise filter stages
  double smoothedEnvelope;
  double phase, previousOffset, held;
};

struct FilterState {
  double lowpass;
  double x1, x2, y1, y2;
};

struct LoopConstants {
  double slewUp, slewDown;
  double noiseCoefficient;
  double phaseIncrement;
  double massDelay;
  double resonatorFeed;
  double lowpassCoefficient;
  double b0, b1, a1, a2;
  double volume;
  double leftDelay, rightDelay;
};

// Collision clock while the step is below one cycle and the phase is in [0, 1): one
// subtraction replaces phase - floor(phase) exactly.
struct PhaseWrapOnce {
  static double Advance(double phase, double increment) {
    phase = phase + increment;
    return phase - KeepIf(GreaterEq(phase, 1.0), 1.0);
  }
};

// Any step (rates below the collision rate, or a clock without a rate).
struct PhaseWrapAny {
  static double Advance(double phase, double increment) {
    phase = phase + increment;
    if (phase < 0.0 || phase >= 1.0) phase = phase - std::floor(phase);
    return phase;
  }
};

// Two delay lines that are always written and stepped together, so they share capacity,
// maximum delay and write position; only their memories differ.
//
// Reads use a lower delay bound of 1. The ring's own rule allows 0 while nothing has been
// written since a reset, but then every slot is still zero and any read returns 0 either way;
// the renderer writes and steps every line in every frame, so afterwards the bound is 1.
struct LinePair {
  double* first;
  double* second;
  std::uint32_t mask;
  std::uint32_t capacity;
  std::uint32_t writeIndex;
  double maxDelay;

  // Index and fraction of a read `delay` samples back, exactly as DelayLine::Read forms them.
  void Locate(double delay, std::uint32_t& i0, std::uint32_t& i1, double& f) const {
    double d = Max(delay, 1.0);  // a NaN delay also gives 1
    d = Min(d, maxDelay);
    const double r = static_cast<double>(capacity + writeIndex) - d;
    const std::int32_t i = static_cast<std::int32_t>(r);
    f = r - static_cast<double>(i);
    i0 = static_cast<std::uint32_t>(i) & mask;
    i1 = static_cast<std::uint32_t>(i + 1) & mask;
  }
  static double Interpolate(const double* m, std::uint32_t i0, std::uint32_t i1, double f) {
    const double a = m[i0];
    const double b = m[i1];
    return a + (b - a) * f;
  }
  void WriteAndStep(double toFirst, double toSecond) {
    first[writeIndex] = toFirst;
    second[writeIndex] = toSecond;
    writeIndex = (writeIndex + 1) & mask;
  }
};

// All four lines have memory and each pair is in step (the normal case).
struct PairedLines {
  LinePair resonance;  // first: excitation line, second: resonator line
  LinePair spread;     // first: left spread line, second: right spread line
  // How many of the latest writes to the spread lines were zero (saturating).
  std::int64_t silentSpreadFrames;

  // `newest` is the resonator line's latest sample (the previous frame's output).
  void ReadResonance(double tap, double newest, double& excitation, double& resonator) const {
    const LinePair& p = resonance;
    double d = Max(tap, 1.0);
    d = Min(d, p.maxDelay);
    const double k = static_cast<double>(p.capacity + p.writeIndex);
    const double r = k - d;
    const std::int32_t i = static_cast<std::int32_t>(r);
    const double f = r - static_cast<double>(i);
    const std::uint32_t i0 = static_cast<std::uint32_t>(i) & p.mask;
    const std::uint32_t i1 = static_cast<std::uint32_t>(i + 1) & p.mask;
    excitation = LinePair::Interpolate(p.first, i0, i1, f);
    // Exactly one frame back (every tap of 1 or less) the interpolation returns the newest
    // sample itself (a + (b - a) * 0). That sample is still in a register, and taking it from
    // there keeps the store-to-load round trip out of the resonator's feedback loop; the
    // memory read then goes to a slot not written this frame, so it does not wait either.
    const bool oneBack = r >= k - 1.0;
    const double viaMemory = LinePair::Interpolate(p.second, oneBack ? i1 : i0, i1, f);
    resonator = Select(GreaterEq(r, k - 1.0), newest, viaMemory);
  }
  double NewestResonance() const {
    return resonance.second[(resonance.writeIndex - 1) & resonance.mask];
  }
  void WriteResonance(double y, double held) { resonance.WriteAndStep(held, y); }
  void ReadSpread(double leftDelay, double rightDelay, double& left, double& right) const {
    std::uint32_t i0, i1;
    double f;
    spread.Locate(leftDelay, i0, i1, f);
    left = LinePair::Interpolate(spread.first, i0, i1, f);
    spread.Locate(rightDelay, i0, i1, f);
    right = LinePair::Interpolate(spread.second, i0, i1, f);
  }
  void WriteSpread(double s) { spread.WriteAndStep(s, s); }
};

// Any other case (a line lost its memory to a failed allocation): every access goes through
// the line itself, which reads 0 and ignores writes without memory.
struct GuardedLines {
  DelayLine* excitation;
  DelayLine* resonator;
  DelayLine* left;
  DelayLine* right;

  void ReadResonance(double tap, double /*newest*/, double& e, double& r) const {
    e = excitation->Read(tap);
    r = resonator->Read(tap);
  }
  static double NewestResonance() { return 0.0; }  // only PairedLines uses it
  void WriteResonance(double y, double held) {
    resonator->Write(y);
    excitation->Write(held);
    resonator->Step();
    excitation->Step();
  }
  void ReadSpread(double leftDelay, double rightDelay, double& l, double& r) const {
    l = left->Read(leftDelay);
    r = right->Read(rightDelay);
  }
  void WriteSpread(double s) {
    right->Write(s);
    left->Write(s);
    right->Step();
    left->Step();
  }
};

// Pass 2, the drive. Noise draws pass four one-pole stages in series (each stage takes the
// unflushed output of the one before; only the stored states are flushed); the slewed envelope
// shapes the result into the excitation, which the collision clock samples once per cycle, as
// the phase passes 0.7, into the held excitation. Writes the held value per frame.
//
// The denormal flushes of the noise stages and of the smoothed envelope sit on their
// recurrences and lengthen them by half, yet they almost never change anything (a noise stage
// would need thousands of frames of near-silent noise; the envelope reaches the range once,
// long after a release). So the chunk first runs without them, recording whether any stored
// value fell into the flush range; only then is it run again with them, from the saved start.
// Either way the result is that of the flushing recurrences.
// With kSettled the level is one constant and the smoothed value already sits where a slew
// step leaves it unchanged, so the envelope output is a constant and the slew is skipped.
template <bool kFlush, bool kSettled, class Phase>
bool DriveRun(DriveState& state, const LoopConstants& k, const double* level, double* heldOut,
              int frames) {
  DriveState st = state;
  const LoopConstants c = k;
  double smallestNoise = 1.0;  // smallest |stage output|: the flush test, off the recurrences
  bool envelopeInFlushRange = false;
  const double settledEnvelope = EnvelopeOutput(st.smoothedEnvelope);
  for (int i = 0; i < frames; ++i) {
    st.noise = NextNoiseState(st.noise);
    const double x = NoiseSample(st.noise);
    const double o1 = (x - st.s1) * c.noiseCoefficient + st.s1;
    const double o2 = (o1 - st.s2) * c.noiseCoefficient + st.s2;
    const double o3 = (o2 - st.s3) * c.noiseCoefficient + st.s3;
    const double o4 = (o3 - st.s4) * c.noiseCoefficient + st.s4;
    if (kFlush) {
      st.s1 = FlushDenormal(o1);
      st.s2 = FlushDenormal(o2);
      st.s3 = FlushDenormal(o3);
      st.s4 = FlushDenormal(o4);
    } else {
      st.s1 = o1;
      st.s2 = o2;
      st.s3 = o3;
      st.s4 = o4;
      smallestNoise =
          Min(smallestNoise, Min(Min(Abs(o1), Abs(o2)), Min(Abs(o3), Abs(o4))));
    }
    double envelope = settledEnvelope;
    if (!kSettled) {
      const double slewed = SlewEnvelopeUnflushed(st.smoothedEnvelope, level[i], c.slewUp,
                                                  c.slewDown);
      if (kFlush) {
        st.smoothedEnvelope = FlushDenormal(slewed);
      } else {
        st.smoothedEnvelope = slewed;
        envelopeInFlushRange |= (Abs(slewed) < 0x1p-1021) & (slewed != 0.0);
      }
      envelope = EnvelopeOutput(st.smoothedEnvelope);
    }
    const double excitation = o4 * envelope;

    st.phase = Phase::Advance(st.phase, c.phaseIncrement);
    const double offset = st.phase - 0.5;
    st.held = Select(LessEq(st.previousOffset, 0.2) & Greater(offset, 0.2), excitation, st.held);
    st.previousOffset = offset;
    heldOut[i] = st.held;
  }
  if (!kFlush && (smallestNoise < 0x1p-1021 || envelopeInFlushRange)) return false;
  state = st;
  return true;
}

template <bool kSettled, class Phase>
void DriveWith(DriveState& state, const LoopConstants& c, const double* level, double* heldOut,
               int frames) {
  if (!DriveRun<false, kSettled, Phase>(state, c, level, heldOut, frames)) {
    DriveRun<true, kSettled, Phase>(state, c, level, heldOut, frames);
  }
}

template <class Phase>
void Drive(DriveState& state, const LoopConstants& c, const double* level, bool levelConstant,
           double* heldOut, int frames) {
  const bool settled =
      levelConstant && SlewEnvelope(state.smoothedEnvelope, level[0], c.slewUp, c.slewDown) ==
                           state.smoothedEnvelope;
  if (settled) {
    DriveWith<true, Phase>(state, c, level, heldOut, frames);
  } else {
    DriveWith<false, Phase>(state, c, level, heldOut, frames);
  }
}

// Pass 3: the held value both excites and tunes the resonator, whose output is lowpassed and
// highpassed. Writes the highpass output h per frame.
template <class Lines>
void Resonate(FilterState& state, Lines& lineAccess, const LoopConstants& k, const double* held,
              double* hOut, int frames) {
  FilterState st = state;
  Lines lines = lineAccess;
  const LoopConstants c = k;
  double newest = lines.NewestResonance();
  for (int i = 0; i < frames; ++i) {
    const double tap = held[i] * c.massDelay;
    double rC, rA;
    lines.ReadResonance(tap, newest, rC, rA);
    const double y = FlushDenormal(rC * c.resonatorFeed + held[i] * 0.5 - rA * 0.99);
    lines.WriteResonance(y, held[i]);
    newest = y;

    const double p = (y - st.lowpass) * c.lowpassCoefficient + st.lowpass;
    st.lowpass = FlushDenormal(p);

    const double h = c.b0 * st.x2 + c.b1 * st.x1 + c.b0 * p - (c.a2 * st.y2 + c.a1 * st.y1);
    // The stored inputs and outputs are already flushed, so shifting them needs no flush, and
    // the flushed lowpass output is the new input.
    st.x2 = st.x1;
    st.x1 = st.lowpass;
    st.y2 = st.y1;
    st.y1 = FlushDenormal(h);
    hOut[i] = h;
  }
  state = st;
  lineAccess = lines;
}

// Pass 4: soft saturation and volume. Frames are independent here, so two go at once.
double SaturateOne(double h, double volume) {
  return FastTanh(h * 2.0 * 2.0 * 0.5) * 2.1639534137387 * 0.5 * volume;
}

void Saturate(const double* h, double volume, double* out, int frames) {
  int i = 0;
#ifdef FLUVIA_HAVE_SSE2
  const __m128d two = _mm_set1_pd(2.0);
  const __m128d half = _mm_set1_pd(0.5);
  const __m128d gain = _mm_set1_pd(2.1639534137387);
  const __m128d vol = _mm_set1_pd(volume);
  for (; i + 2 <= frames; i += 2) {
    const __m128d z = _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(_mm_loadu_pd(h + i), two), two), half);
    const __m128d t = FastTanh2(z);
    _mm_storeu_pd(out + i, _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(t, gain), half), vol));
  }
#endif
  for (; i < frames; ++i) out[i] = SaturateOne(h[i], volume);
}

// Pass 5: the spread delays (each channel reads before the frame's value is written, so both
// trail by at least one frame).
template <class Lines>
void Spread(Lines& lineAccess, const LoopConstants& k, const double* saturated, double* outLeft,
            double* outRight, int frames) {
  Lines lines = lineAccess;
  const double leftDelay = k.leftDelay;
  const double rightDelay = k.rightDelay;
  for (int i = 0; i < frames; ++i) {
    double left, right;
    lines.ReadSpread(leftDelay, rightDelay, left, right);
    lines.WriteSpread(saturated[i]);
    outLeft[i] = left;
    outRight[i] = right;
  }
  lineAccess = lines;
}

// Pass 5 for the common case of whole-sample spread delays (0 and full spread at the usual
// rates): the interpolation weight is exactly 0, so each read is the one slot `delay` back.
void SpreadWhole(PairedLines& lines, std::uint32_t leftDelay, std::uint32_t rightDelay,
                 const double* saturated, double* outLeft, double* outRight, int frames) {
  LinePair p = lines.spread;
  for (int i = 0; i < frames; ++i) {
    const double left = p.first[(p.writeIndex - leftDelay) & p.mask];
    const double right = p.second[(p.writeIndex - rightDelay) & p.mask];
    p.WriteAndStep(saturated[i], saturated[i]);
    outLeft[i] = left;
    outRight[i] = right;
  }
  lines.spread = p;
}

// The delay a spread read actually uses, when it is a whole number of samples.
bool WholeSpreadDelay(const LinePair& p, double delay, std::uint32_t& whole) {
  const double d = Min(Max(delay, 1.0), p.maxDelay);
  if (!(d >= 0.0) || d != std::floor(d)) return false;
  whole = static_cast<std::uint32_t>(d);
  return true;
}

template <class Lines>
void SpreadPass(Lines& lines, const LoopConstants& c, const double* saturated, double* outLeft,
                double* outRight, int frames) {
  if constexpr (std::is_same<Lines, PairedLines>::value) {
    std::uint32_t left, right;
    if (WholeSpreadDelay(lines.spread, c.leftDelay, left) &&
        WholeSpreadDelay(lines.spread, c.rightDelay, right)) {
      SpreadWhole(lines, left, right, saturated, outLeft, outRight, frames);
      return;
    }
  }
  Spread(lines, c, saturated, outLeft, outRight, frames);
}

bool AllZero(const double* v, int frames) {
  bool nonZero = false;
  for (int i = 0; i < frames; ++i) nonZero |= v[i] != 0.0;
  return !nonZero;
}

// Silence. Once the held excitation, the resonator's latest samples and the filter states
// are all zero, every later value of the chain is zero (each is a sum of products with a zero
// factor) until the held excitation moves again. Such a chunk only writes its zeros (and the
// held values, which may be signed zeros) into the resonance lines. Values compare equal to
// those of the full computation; only the sign of a zero may differ.
bool ResonanceSilent(const PairedLines& lines, const FilterState& f, const double* held,
                     int frames) {
  const LinePair& p = lines.resonance;
  const std::uint32_t newest = (p.writeIndex - 1) & p.mask;
  return p.first[newest] == 0.0 && p.second[newest] == 0.0 && f.lowpass == 0.0 &&
         f.x1 == 0.0 && f.x2 == 0.0 && f.y1 == 0.0 && f.y2 == 0.0 && AllZero(held, frames);
}

void WriteSilentResonance(PairedLines& lines, const double* held, int frames) {
  LinePair p = lines.resonance;
  for (int i = 0; i < frames; ++i) p.WriteAndStep(held[i], 0.0);
  lines.resonance = p;
}

// The spread lines are read at most their maximum delay back, so once that many zeros have
// been written, silence in gives silence out.
void SilentSpread(PairedLines& lines, double* outLeft, double* outRight, int frames) {
  LinePair p = lines.spread;
  for (int i = 0; i < frames; ++i) {
    outLeft[i] = 0.0;
    outRight[i] = 0.0;
    p.WriteAndStep(0.0, 0.0);
  }
  lines.spread = p;
}

void CountSilentSpread(PairedLines& lines, const double* saturated, int frames) {
  lines.silentSpreadFrames =
      AllZero(saturated, frames) ? std::min<std::int64_t>(lines.silentSpreadFrames + frames,
                                                          std::int64_t{1} << 40)
                                 : 0;
}

template <class Phase, class Lines>
void RenderChunks(GateEnvelopeState& envelope, const GateEnvelopeBlock& block, DriveState& drive,
                  FilterState& filters, Lines& lines, const LoopConstants& c, double* outLeft,
                  double* outRight, int frames) {
  // Two buffers suffice: each pass's output is the next pass's input.
  alignas(64) double a[kChunkFrames];
  alignas(64) double b[kChunkFrames];
  for (int done = 0; done < frames; done += kChunkFrames) {
    const int n = std::min(kChunkFrames, frames - done);
    double* left = outLeft + done;
    double* right = outRight + done;
    const bool levelConstant = RenderGateLevels(envelope, block, a, n);
    Drive<Phase>(drive, c, a, levelConstant, b, n);
    if constexpr (std::is_same<Lines, PairedLines>::value) {
      if (ResonanceSilent(lines, filters, b, n)) {
        WriteSilentResonance(lines, b, n);
        if (lines.silentSpreadFrames >= static_cast<std::int64_t>(lines.spread.maxDelay)) {
          SilentSpread(lines, left, right, n);
          lines.silentSpreadFrames += n;
        } else {
          std::fill(a, a + n, 0.0);
          SpreadPass(lines, c, a, left, right, n);
          CountSilentSpread(lines, a, n);
        }
        continue;
      }
    }
    Resonate(filters, lines, c, b, a, n);
    Saturate(a, c.volume, b, n);
    SpreadPass(lines, c, b, left, right, n);
    if constexpr (std::is_same<Lines, PairedLines>::value) CountSilentSpread(lines, b, n);
  }
}

template <class Lines>
void RenderWithLines(GateEnvelopeState& envelope, const GateEnvelopeBlock& block,
                     DriveState& drive, FilterState& filters, Lines& lines,
                     const LoopConstants& c, double* outLeft, double* outRight, int frames) {
  const bool simpleClock = drive.phase >= 0.0 && drive.phase < 1.0 &&
                           c.phaseIncrement >= 0.0 && c.phaseIncrement < 1.0;
  if (simpleClock) {
    RenderChunks<PhaseWrapOnce>(envelope, block, drive, filters, lines, c, outLeft, outRight,
                                frames);
  } else {
    RenderChunks<PhaseWrapAny>(envelope, block, drive, filters, lines, c, outLeft, outRight,
                               frames);
  }
}

bool InStep(const DelayLine& a, const DelayLine& b) {
  return a.HasMemory() && b.HasMemory() && a.Capacity() == b.Capacity() &&
         a.MaxDelay() == b.MaxDelay() && a.WriteIndex() == b.WriteIndex() &&
         a.LastWrittenIndex() == b.LastWrittenIndex();
}

LinePair MakePair(DelayLine& a, DelayLine& b) {
  const DelayLine::Cursor ca = a.Load();
  const DelayLine::Cursor cb = b.Load();
  return LinePair{ca.memory,
                  cb.memory,
                  static_cast<std::uint32_t>(ca.mask),
                  static_cast<std::uint32_t>(ca.capacity),
                  static_cast<std::uint32_t>(ca.writeIndex),
                  ca.maxDelay};
}

// Hands the pair's position back; the last write went to the slot before the write index.
void StorePair(const LinePair& pair, DelayLine& a, DelayLine& b) {
  DelayLine::Cursor c = a.Load();
  c.writeIndex = static_cast<int>(pair.writeIndex);
  c.lastWritten = static_cast<int>((pair.writeIndex - 1) & pair.mask);
  a.Store(c);
  b.Store(c);
}

std::uint64_t BitsOf(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

}  // namespace

bool WaterEngine::LinesArePaired() const {
  return InStep(excitationLine_, resonatorLine_) && InStep(leftSpreadLine_, rightSpreadLine_);
}

const BlockCoefficients& WaterEngine::CurrentCoefficients() {
  const std::array<std::uint64_t, 9> inputs = {
      BitsOf(parameters_[kAmpMainVolume]),       BitsOf(parameters_[kContainerSize]),
      BitsOf(parameters_[kContainerDamping]),    BitsOf(parameters_[kSystemEnergyAmt]),
      BitsOf(parameters_[kParticlesWeightVelocityRatio]),
      BitsOf(parameters_[kParticlesMassSpread]), BitsOf(parameters_[kParticlesCollisions]),
      BitsOf(parameters_[kSoundfieldAmt]),       BitsOf(sampleRate_)};
  if (!coefficientsValid_ || inputs != coefficientInputs_) {
    coefficients_ = ComputeBlockCoefficients(parameters_.data(), sampleRate_);
    coefficientInputs_ = inputs;
    coefficientsValid_ = true;
  }
  return coefficients_;
}

int WaterEngine::Render(const double* const* inputs, double* const* outputs, int frames) {
  if (errorState_ != 0) return errorState_;
  if (inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || inputs[1] == nullptr ||
      outputs[0] == nullptr || outputs[1] == nullptr) {
    errorState_ = kNullChannelError;
    return errorState_;
  }

  const BlockCoefficients& bc = CurrentCoefficients();
  reciprocalSampleRate_ = bc.reciprocalSampleRate;
  const GateEnvelopeBlock block =
      PrepareGateEnvelope(parameters_[kVoice00_NoteGate], parameters_[kAmpFadeInOut],
                          sampleRate_);
  if (frames <= 0) return 0;

  ApplyGateEdges(envelope_, block.gate);

  LoopConstants c;
  c.slewUp = block.up;
  c.slewDown = block.down;
  c.noiseCoefficient = bc.noiseCoefficient;
  c.phaseIncrement = bc.collisionRate * bc.reciprocalSampleRate;
  c.massDelay = bc.massDelay;
  c.resonatorFeed = bc.resonatorFeed;
  c.lowpassCoefficient = bc.lowpassCoefficient;
  c.b0 = bc.b0;
  c.b1 = bc.b1;
  c.a1 = bc.a1;
  c.a2 = bc.a2;
  c.volume = bc.volume;
  c.leftDelay = bc.leftSpreadDelay;
  c.rightDelay = bc.rightSpreadDelay;

  SynthesisState& sy = synthesis_;
  DriveState drive;
  drive.noise = ReserveNoiseDraws(static_cast<std::uint32_t>(frames));
  drive.s1 = sy.noiseStage[0];
  drive.s2 = sy.noiseStage[1];
  drive.s3 = sy.noiseStage[2];
  drive.s4 = sy.noiseStage[3];
  drive.smoothedEnvelope = envelope_.smoothed;
  drive.phase = sy.collisionPhase;
  drive.previousOffset = sy.previousCollisionOffset;
  drive.held = sy.heldExcitation;
  FilterState filters{sy.lowpass, sy.highpassX1, sy.highpassX2, sy.highpassY1, sy.highpassY2};

  double* outLeft = outputs[0];
  double* outRight = outputs[1];
  if (LinesArePaired()) {
    PairedLines lines{MakePair(excitationLine_, resonatorLine_),
                      MakePair(leftSpreadLine_, rightSpreadLine_), silentSpreadFrames_};
    RenderWithLines(envelope_, block, drive, filters, lines, c, outLeft, outRight, frames);
    StorePair(lines.resonance, excitationLine_, resonatorLine_);
    StorePair(lines.spread, leftSpreadLine_, rightSpreadLine_);
    silentSpreadFrames_ = lines.silentSpreadFrames;
  } else {
    GuardedLines lines{&excitationLine_, &resonatorLine_, &leftSpreadLine_, &rightSpreadLine_};
    RenderWithLines(envelope_, block, drive, filters, lines, c, outLeft, outRight, frames);
    silentSpreadFrames_ = 0;
  }

  sy.noiseStage[0] = drive.s1;
  sy.noiseStage[1] = drive.s2;
  sy.noiseStage[2] = drive.s3;
  sy.noiseStage[3] = drive.s4;
  envelope_.smoothed = drive.smoothedEnvelope;
  sy.collisionPhase = drive.phase;
  sy.previousCollisionOffset = drive.previousOffset;
  sy.heldExcitation = drive.held;
  sy.lowpass = filters.lowpass;
  sy.highpassX1 = filters.x1;
  sy.highpassX2 = filters.x2;
  sy.highpassY1 = filters.y1;
  sy.highpassY2 = filters.y2;
  return 0;
}

}  // namespace fluvia
