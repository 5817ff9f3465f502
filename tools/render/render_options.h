#pragma once
// Command line of fluvia-render.

#include <string>
#include <utility>
#include <vector>

namespace fluvia::render {

struct RenderOptions {
  std::string output;
  std::string vst3Bundle;                 // empty: play the instrument linked into the tool
  std::string vst2Module;                 // a VST2 module to play instead (not with vst3Bundle)
  int note = 60;
  int velocity = 100;
  double noteSeconds = 2.0;
  double tailSeconds = 2.0;
  double sampleRate = 48000.0;
  int blockSize = 512;
  std::vector<std::pair<std::string, double>> params;  // name, real value; in command order
};

// Parses argv; false with a message in error for bad arguments.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);
const char* RenderUsage();

}  // namespace fluvia::render
