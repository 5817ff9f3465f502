// Internal to the renderer: recognising silence and rendering it cheaply.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/render_lines.h"
#include "engine/render_output.h"
#include "engine/render_state.h"

namespace fluvia {
namespace render {

inline bool AllZero(const double* v, int frames) {
  bool nonZero = false;
  for (int i = 0; i < frames; ++i) nonZero |= v[i] != 0.0;
  return !nonZero;
}

// Silence. Once the held excitation, the resonator's latest samples and the filter states
// are all zero, every later value of the chain is zero (each is a sum of products with a zero
// factor) until the held excitation moves again. Such a chunk only writes its zeros (and the
// held values, which may be signed zeros) into the resonance lines. Values compare equal to
// those of the full computation; only the sign of a zero may differ.
inline bool ResonanceSilent(const PairedLines& lines, const FilterState& f, const double* held,
                            int frames) {
  const LinePair& p = lines.resonance;
  const std::uint32_t newest = (p.writeIndex - 1) & p.mask;
  return p.first[newest] == 0.0 && p.second[newest] == 0.0 && f.lowpass == 0.0 && f.x1 == 0.0 &&
         f.x2 == 0.0 && f.y1 == 0.0 && f.y2 == 0.0 && AllZero(held, frames);
}

inline void WriteSilentResonance(PairedLines& lines, const double* held, int frames) {
  LinePair p = lines.resonance;
  for (int i = 0; i < frames; ++i) p.WriteAndStep(held[i], 0.0);
  lines.resonance = p;
}

// The spread lines are read at most their maximum delay back, so once that many zeros have
// been written, silence in gives silence out.
inline void SilentSpread(PairedLines& lines, double* outLeft, double* outRight, int frames) {
  LinePair p = lines.spread;
  for (int i = 0; i < frames; ++i) {
    outLeft[i] = 0.0;
    outRight[i] = 0.0;
    p.WriteAndStep(0.0, 0.0);
  }
  lines.spread = p;
}

inline void CountSilentSpread(PairedLines& lines, const double* saturated, int frames) {
  lines.silentSpreadFrames =
      AllZero(saturated, frames)
          ? std::min<std::int64_t>(lines.silentSpreadFrames + frames, std::int64_t{1} << 40)
          : 0;
}

// A chunk whose resonance is silent (see ResonanceSilent). `scratch` holds a chunk of frames.
inline void RenderSilentChunk(PairedLines& lines, const LoopConstants& c, const double* held,
                              double* scratch, double* outLeft, double* outRight, int frames) {
  WriteSilentResonance(lines, held, frames);
  if (lines.silentSpreadFrames >= static_cast<std::int64_t>(lines.spread.maxDelay)) {
    SilentSpread(lines, outLeft, outRight, frames);
    lines.silentSpreadFrames += frames;
  } else {
    // Zeros still go in, but the spread lines hold sound from before.
    std::fill(scratch, scratch + frames, 0.0);
    SpreadPass(lines, c, scratch, outLeft, outRight, frames);
    CountSilentSpread(lines, scratch, frames);
  }
}

}  // namespace render
}  // namespace fluvia
