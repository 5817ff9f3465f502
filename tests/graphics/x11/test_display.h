#pragma once
// A private X server for this test process: Xvfb, started the first time a test asks for it
// (so tests that need no display start none) and stopped when the process ends. DISPLAY points
// at it from then on, for the tests' own connections and the editor's.

#include <string>

namespace fluvia::testing {

constexpr int kScreenWidth = 2200;
constexpr int kScreenHeight = 1200;

// True once the server runs; `why` says what failed otherwise.
bool StartTestDisplay(std::string& why);

}  // namespace fluvia::testing
