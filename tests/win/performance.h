#pragma once
// The fixed performance both builds of the module play for the comparison: parameter settings,
// notes and automation at frame positions, in blocks of changing sizes (a one-frame block
// among them), long enough to hear the attack, two overlapping notes, automation and the tail.

#include <vector>

#include "tests/win/module_driver.h"

namespace fluvia::modulecheck {

constexpr double kSampleRate = 48000.0;
constexpr int kMaxBlock = 512;

// Plays the performance; the result holds left and right interleaved, at 64 bits whatever the
// processing sample size. False when the module refused a parameter of the script. With a
// library preset number the sound starts from that preset (read from the preset folder)
// instead of the script's opening settings.
bool Perform(ModuleDriver& driver, bool doubles, std::vector<double>& interleaved,
             int presetNumber = 0);

// Only the opening settings and the first note, then count blocks of kMaxBlock frames: the
// steady state a benchmark measures.
bool PerformOpening(ModuleDriver& driver);

}  // namespace fluvia::modulecheck
