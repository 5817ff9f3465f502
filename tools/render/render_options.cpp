#include "tools/render/render_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fluvia::render {
namespace {

bool ParseNumber(const char* text, double& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text, &end);
  return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

bool ParseInteger(const char* text, int& value) {
  double d = 0.0;
  if (!ParseNumber(text, d) || d != std::floor(d) || std::fabs(d) > 1e9) return false;
  value = static_cast<int>(d);
  return true;
}

}  // namespace

const char* RenderUsage() {
  return "usage: fluvia-render -o OUTPUT.wav [options]\n"
         "Plays a held note, or timed notes, on Fluvia and writes the result as a 32-bit float\n"
         "stereo WAV file.\n"
         "  -o, --output FILE     WAV file to write (required)\n"
         "  --note N              MIDI note number 0..127 (default 60)\n"
         "  --velocity V          note-on velocity 1..127 (default 100)\n"
         "  --length SECONDS      how long the note is held (default 2)\n"
         "  --tail SECONDS        rendering after the note-off (default 2)\n"
         "  --rate HZ             sample rate (default 48000)\n"
         "  --block FRAMES        block size 1..8192 (default 512)\n"
         "  --param NAME=VALUE    set a parameter by name to a real value (repeatable),\n"
         "                        e.g. --param AmpMainVolume=0.5 --param PresetSelector=1\n"
         "  --at T:NOTE[:VEL[:LEN]]  play a note at T seconds (repeatable) instead of the one\n"
         "                        held note; VEL defaults to --velocity, LEN (seconds held)\n"
         "                        to --length; e.g. drips: --at 0:72:100:0.005 --at 0.25:76\n"
         "  --sequence FILE       timed notes from a file, one per line:\n"
         "                        SECONDS NOTE [VELOCITY [LENGTH]]; '#' starts a comment line\n"
         "                        Each note acts at its own frame, whatever --block is.\n"
         "  --vst3 BUNDLE         play a Fluvia.vst3 bundle through the VST3 interfaces\n"
         "                        instead of the built-in instrument\n"
         "  --vst2 MODULE         play a Linux VST2 module (.so) through its entry point\n"
         "                        instead of the built-in instrument\n"
         "  -h, --help            this text\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* next = (i + 1 < argc) ? argv[i + 1] : nullptr;
    auto need = [&](const char* what) {
      if (!next) error = arg + " needs " + what;
      return next != nullptr;
    };
    if (arg == "-o" || arg == "--output") {
      if (!need("a file name")) return false;
      options.output = next;
      ++i;
    } else if (arg == "--vst3") {
      if (!need("a bundle path")) return false;
      options.vst3Bundle = next;
      ++i;
    } else if (arg == "--vst2") {
      if (!need("a module path")) return false;
      options.vst2Module = next;
      ++i;
    } else if (arg == "--note" || arg == "--velocity" || arg == "--block") {
      int value = 0;
      if (!need("a whole number") || !ParseInteger(next, value)) {
        if (error.empty()) error = arg + " needs a whole number, got '" + next + "'";
        return false;
      }
      if (arg == "--note") options.note = value;
      if (arg == "--velocity") options.velocity = value;
      if (arg == "--block") options.blockSize = value;
      ++i;
    } else if (arg == "--length" || arg == "--tail" || arg == "--rate") {
      double value = 0.0;
      if (!need("a number") || !ParseNumber(next, value)) {
        if (error.empty()) error = arg + " needs a number, got '" + next + "'";
        return false;
      }
      if (arg == "--length") options.noteSeconds = value;
      if (arg == "--tail") options.tailSeconds = value;
      if (arg == "--rate") options.sampleRate = value;
      ++i;
    } else if (arg == "--at") {
      if (!need("T:NOTE[:VEL[:LEN]]")) return false;
      options.timedNoteTexts.emplace_back(next);
      ++i;
    } else if (arg == "--sequence") {
      if (!need("a file name")) return false;
      options.sequenceFile = next;
      ++i;
    } else if (arg == "--param") {
      if (!need("NAME=VALUE")) return false;
      const char* eq = std::strchr(next, '=');
      double value = 0.0;
      if (!eq || eq == next || !ParseNumber(eq + 1, value)) {
        error = std::string("--param needs NAME=VALUE, got '") + next + "'";
        return false;
      }
      options.params.emplace_back(std::string(next, eq), value);
      ++i;
    } else {
      error = "unknown argument '" + arg + "'";
      return false;
    }
  }
  if (options.output.empty()) error = "no output file given (-o FILE)";
  else if (options.note < 0 || options.note > 127) error = "--note must lie in 0..127";
  else if (options.velocity < 1 || options.velocity > 127) error = "--velocity must lie in 1..127";
  else if (options.blockSize < 1 || options.blockSize > 8192) error = "--block must lie in 1..8192";
  else if (options.sampleRate < 1000.0 || options.sampleRate > 768000.0) error = "--rate must lie in 1000..768000";
  else if (options.noteSeconds < 0.0 || options.tailSeconds < 0.0) error = "--length and --tail must not be negative";
  else if (options.noteSeconds + options.tailSeconds > 3600.0) error = "at most one hour of audio";
  else if (!options.vst3Bundle.empty() && !options.vst2Module.empty()) error = "--vst3 and --vst2 exclude each other";
  if (!error.empty()) return false;

  // Timed notes take the final --velocity and --length as their defaults, wherever those
  // stand on the command line.
  for (const std::string& text : options.timedNoteTexts) {
    TimedNote note;
    if (!ParseTimedNote(text, options.velocity, options.noteSeconds, note, error)) return false;
    options.timedNotes.push_back(note);
  }
  if (!options.sequenceFile.empty() &&
      !ReadNoteSequence(options.sequenceFile, options.velocity, options.noteSeconds,
                        options.timedNotes, error)) {
    return false;
  }
  for (const TimedNote& note : options.timedNotes) {
    if (note.start + note.length + options.tailSeconds > 3600.0) {
      error = "at most one hour of audio";
      return false;
    }
  }
  return true;
}

}  // namespace fluvia::render
