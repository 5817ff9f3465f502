#include "engine/noise.h"

#include <atomic>

namespace fluvia {
namespace {

// Constant-initialised, so it holds 2 before any constructor of the module runs.
std::atomic<std::uint32_t> g_noiseState{kNoiseLoadState};

}  // namespace

std::uint32_t NoiseState() { return g_noiseState.load(std::memory_order_relaxed); }

void SetNoiseState(std::uint32_t state) { g_noiseState.store(state, std::memory_order_relaxed); }

NoiseJump NoiseJumpBy(std::uint32_t steps) {
  // Square the one-step map and compose the powers selected by the bits of `steps`. All
  // powers of one affine map commute, so the composition order does not matter.
  NoiseJump result{1u, 0u};
  NoiseJump power{kNoiseMultiplier, kNoiseIncrement};
  while (steps != 0) {
    if (steps & 1u) {
      result = NoiseJump{result.multiplier * power.multiplier,
                         result.increment * power.multiplier + power.increment};
    }
    power = NoiseJump{power.multiplier * power.multiplier,
                      power.increment * power.multiplier + power.increment};
    steps >>= 1;
  }
  return result;
}

std::uint32_t ReserveNoiseDraws(std::uint32_t count) {
  const NoiseJump jump = NoiseJumpBy(count);
  // Relaxed order is enough: the only shared datum is the state itself, and every
  // read-modify-write of one atomic sees a single total order of updates.
  std::uint32_t start = g_noiseState.load(std::memory_order_relaxed);
  while (!g_noiseState.compare_exchange_weak(start, start * jump.multiplier + jump.increment,
                                             std::memory_order_relaxed)) {
  }
  return start;
}

double DrawNoise() { return NoiseSample(NextNoiseState(ReserveNoiseDraws(1))); }

}  // namespace fluvia
