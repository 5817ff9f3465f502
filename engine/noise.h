// The module-wide noise generator: one 32-bit linear congruential state shared by every
// engine in the loaded module, starting at 2 when the module loads.
//
// Engines on different threads may render at the same time. Instead of an atomic update per
// sample, a renderer reserves its whole block with ReserveNoiseDraws (one compare-exchange that
// jumps the shared state ahead by the block length) and then runs the recurrence locally from
// the returned start. Concurrent renders thus receive disjoint runs of the one sequence.
#pragma once

#include <cstdint>

namespace fluvia {

constexpr std::uint32_t kNoiseMultiplier = 1664525u;
constexpr std::uint32_t kNoiseIncrement = 1013904223u;
constexpr std::uint32_t kNoiseLoadState = 2u;

std::uint32_t NoiseState();
void SetNoiseState(std::uint32_t state);  // for tests

// One draw from the shared state: advances it by one step and returns the sample.
double DrawNoise();

// Takes `count` consecutive draws from the shared state at once. Returns the state before the
// first of them; the caller produces the draws with NextNoiseState / NoiseSample.
std::uint32_t ReserveNoiseDraws(std::uint32_t count);

inline std::uint32_t NextNoiseState(std::uint32_t state) {
  return state * kNoiseMultiplier + kNoiseIncrement;  // unsigned: wraps modulo 2^32
}

// The sample belonging to a state: its low 23 bits m become the mantissa of a float
// f = 1 + m 2^-23 in [1, 2), and the sample is 2f - 3 in float arithmetic, widened. That
// subtraction is exact, so the value is (m - 2^22) 2^-22, computed here without the float
// round trip.
inline double NoiseSample(std::uint32_t state) {
  const std::int32_t centred = static_cast<std::int32_t>(state & 0x007FFFFFu) - 0x00400000;
  return static_cast<double>(centred) * 0x1p-22;
}

// n steps of the recurrence as one affine map: state_n = multiplier * state + increment.
struct NoiseJump {
  std::uint32_t multiplier;
  std::uint32_t increment;
};
NoiseJump NoiseJumpBy(std::uint32_t steps);

}  // namespace fluvia
