// Internal to the renderer: the resonator pass (excitation and resonator lines, the 4 kHz
// lowpass and the container highpass).
#pragma once

#include <cstdint>

#include "engine/render_lines.h"
#include "engine/render_state.h"

namespace fluvia {
namespace render {

// The 4 kHz lowpass and the container highpass, one frame. Without kFlush the stored states
// are left unflushed and handed to the detector instead (see ResonatePaired).
template <bool kFlush = true>
inline void FilterStep(FilterState& st, const LoopConstants& c, double y, double& hOut,
                       FlushRangeDetector* detector = nullptr) {
  const double p = (y - st.lowpass) * c.lowpassCoefficient + st.lowpass;
  const double h = c.b0 * st.x2 + c.b1 * st.x1 + c.b0 * p - (c.a2 * st.y2 + c.a1 * st.y1);
  if (kFlush) {
    st.lowpass = FlushDenormal(p);
    st.y2 = st.y1;
    st.y1 = FlushDenormal(h);
  } else {
    st.lowpass = p;
    st.y2 = st.y1;
    st.y1 = h;
    detector->Add(p, h);
  }
  // The stored inputs and outputs are already flushed, so shifting them needs no flush, and
  // the flushed lowpass output is the new input.
  st.x2 = st.x1;
  st.x1 = st.lowpass;
  hOut = h;
}

// The resonator pass through guarded lines (a line without memory reads 0): the held value
// both excites and tunes the resonator, whose output is lowpassed and highpassed. Writes the
// highpass output h per frame.
inline void ResonateGuarded(FilterState& state, GuardedLines& lines, const LoopConstants& c,
                            const double* held, double* hOut, int frames) {
  FilterState st = state;
  for (int i = 0; i < frames; ++i) {
    double rC, rA;
    lines.ReadResonance(held[i] * c.massDelay, rC, rA);
    const double y = FlushDenormal(rC * c.resonatorFeed + held[i] * 0.5 - rA * 0.99);
    lines.WriteResonance(y, held[i]);
    FilterStep(st, c, y, hOut[i]);
  }
  state = st;
}

// Where each frame of a chunk reads the resonance lines: its read positions depend only on the
// held values, known before the resonator runs, so they are found ahead, two frames at a time,
// which keeps this work off the resonator's own chain.
struct ResonanceReads {
  std::uint32_t a[kChunkFrames];           // older slot of the interpolation
  std::uint32_t b[kChunkFrames];           // newer slot
  std::uint32_t resonatorA[kChunkFrames];  // a, or b when a is the slot written last (below)
  alignas(16) double fraction[kChunkFrames];
  alignas(16) std::uint64_t newestMask[kChunkFrames];  // all ones when a is the newest slot
};

inline void LocateResonanceReads(const LinePair& p, double massDelay, const double* held,
                                 int frames, ResonanceReads& out) {
  const std::uint32_t newestSlot = (p.writeIndex - 1) & p.mask;
  int i = 0;
#ifdef FLUVIA_HAVE_SSE2
  const __m128d mass = _mm_set1_pd(massDelay);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d maxDelay = _mm_set1_pd(p.maxDelay);
  const __m128i mask = _mm_set1_epi32(static_cast<std::int32_t>(p.mask));
  const __m128i capacity = _mm_set1_epi32(static_cast<std::int32_t>(p.capacity));
  const __m128i oneInt = _mm_set1_epi32(1);
  __m128i write = _mm_set_epi32(0, 0, static_cast<std::int32_t>(p.writeIndex + 1),
                                static_cast<std::int32_t>(p.writeIndex));
  __m128i previous = _mm_set_epi32(0, 0, static_cast<std::int32_t>(p.writeIndex),
                                   static_cast<std::int32_t>(newestSlot));
  const __m128i two = _mm_set1_epi32(2);
  for (; i + 2 <= frames; i += 2) {
    const __m128i w = _mm_and_si128(write, mask);
    const __m128d k = _mm_cvtepi32_pd(_mm_add_epi32(capacity, w));
    // max and min return their second operand for NaN, like Max and Min.
    const __m128d d =
        _mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_loadu_pd(held + i), mass), one), maxDelay);
    const __m128d r = _mm_sub_pd(k, d);
    const __m128i whole = _mm_cvttpd_epi32(r);
    const __m128d f = _mm_sub_pd(r, _mm_cvtepi32_pd(whole));
    const __m128i a = _mm_and_si128(whole, mask);
    const __m128i b = _mm_and_si128(_mm_add_epi32(whole, oneInt), mask);
    // The slot written last before each frame: for the chunk's first frame the line's newest
    // slot, later the previous frame's write slot.
    const __m128i isNewest = _mm_cmpeq_epi32(a, _mm_and_si128(previous, mask));
    const __m128i resonatorA =
        _mm_or_si128(_mm_and_si128(isNewest, b), _mm_andnot_si128(isNewest, a));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out.a + i), a);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out.b + i), b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out.resonatorA + i), resonatorA);
    _mm_store_pd(out.fraction + i, f);
    _mm_store_si128(reinterpret_cast<__m128i*>(out.newestMask + i),
                    _mm_unpacklo_epi32(isNewest, isNewest));
    write = _mm_add_epi32(write, two);
    previous = _mm_add_epi32(previous, two);
  }
#endif
  for (; i < frames; ++i) {
    const std::uint32_t w = (p.writeIndex + static_cast<std::uint32_t>(i)) & p.mask;
    const std::uint32_t lastWritten = i == 0 ? newestSlot : (w - 1) & p.mask;
    const double d = Min(Max(held[i] * massDelay, 1.0), p.maxDelay);
    const double r = static_cast<double>(p.capacity + w) - d;
    const std::int32_t whole = static_cast<std::int32_t>(r);
    out.fraction[i] = r - static_cast<double>(whole);
    out.a[i] = static_cast<std::uint32_t>(whole) & p.mask;
    out.b[i] = static_cast<std::uint32_t>(whole + 1) & p.mask;
    const bool isNewest = out.a[i] == lastWritten;
    out.resonatorA[i] = isNewest ? out.b[i] : out.a[i];
    out.newestMask[i] = isNewest ? ~std::uint64_t{0} : 0;
  }
}

// The resonator pass with paired lines. Exactly one frame back (every tap of 1 or less) the
// interpolation returns the newest sample itself (a + (b - a) * 0). That sample is still in a
// register, and taking it from there keeps the store-to-load round trip out of the resonator's
// feedback loop; the memory read then goes to a slot not written this frame, so it does not wait
// either.
//
// The flushes of the two filter states lengthen their recurrences by half and almost never
// act (they take a long silence), so the filters first run without them, recording whether a
// state fell into the flush range; if one did, the filters run again with the flushes, from
// the saved start and on the same resonator output.
inline void ResonatePaired(FilterState& state, PairedLines& lines, const LoopConstants& k,
                           const double* held, double* hOut, int frames) {
  ResonanceReads reads;
  LocateResonanceReads(lines.resonance, k.massDelay, held, frames, reads);
  const FilterState start = state;
  FilterState st = state;
  LinePair p = lines.resonance;
  const LoopConstants c = k;
  double resonatorOut[kChunkFrames];
  FlushRangeDetector detector;
  double newest = p.second[(p.writeIndex - 1) & p.mask];
  for (int i = 0; i < frames; ++i) {
    const double f = reads.fraction[i];
    const double rC = LinePair::Interpolate(p.first, reads.a[i], reads.b[i], f);
    const double viaMemory = LinePair::Interpolate(p.second, reads.resonatorA[i], reads.b[i], f);
    const double rA = SelectBits(reads.newestMask[i], newest, viaMemory);
    const double y = FlushDenormal(rC * c.resonatorFeed + held[i] * 0.5 - rA * 0.99);
    p.WriteAndStep(held[i], y);
    newest = y;
    resonatorOut[i] = y;
    FilterStep<false>(st, c, y, hOut[i], &detector);
  }
  if (detector.Seen()) {
    st = start;
    for (int i = 0; i < frames; ++i) FilterStep(st, c, resonatorOut[i], hOut[i]);
  }
  state = st;
  lines.resonance = p;
}

}  // namespace render
}  // namespace fluvia
