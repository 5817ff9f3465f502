#pragma once
// Command line of fluvia-render.

#include <string>
#include <utility>
#include <vector>

#include "tools/render/note_sequence.h"

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
  // Timed notes (--at, --sequence); when there are any they replace the one held note and
  // the render lasts until the last one ends, plus the tail.
  std::vector<std::string> timedNoteTexts;
  std::string sequenceFile;
  std::vector<TimedNote> timedNotes;
};

// Parses argv; false with a message in error for bad arguments.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);
const char* RenderUsage();

}  // namespace fluvia::render
