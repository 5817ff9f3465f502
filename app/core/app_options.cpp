#include "app/core/app_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fluvia::app {

std::optional<int> ParseWholeNumber(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value < low || value > high) return std::nullopt;
  return int(value);
}

namespace {

std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty() || text.size() > 16) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  if (!(value > 0.0 && value <= 1e6)) return std::nullopt;
  return value;
}

// A name from the command line: no control characters (they cannot be in a device name, and a
// line break would corrupt the settings file).
bool PlainText(const std::string& text) {
  if (text.empty() || text.size() > 1024) return false;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

bool ParseAppOptions(int argc, const char* const* argv, AppOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const auto equals = arg.find('=');
      if (equals != std::string::npos) {
        inlineValue = arg.substr(equals + 1);
        arg.erase(equals);
      }
    }
    // The value of an option that needs one: after "=" or the next argument.
    auto value = [&](std::string& out) {
      if (inlineValue) {
        out = *inlineValue;
        return true;
      }
      if (i + 1 >= argc || !argv[i + 1]) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto noValue = [&] {
      if (!inlineValue) return true;
      error = arg + " takes no value";
      return false;
    };
    std::string text;
    if (arg == "-h" || arg == "--help") {
      if (!noValue()) return false;
      options.help = true;
    } else if (arg == "--version") {
      if (!noValue()) return false;
      options.version = true;
    } else if (arg == "--list-devices") {
      if (!noValue()) return false;
      options.listDevices = true;
    } else if (arg == "--audio-api" || arg == "--audio-device" || arg == "--midi-input" ||
               arg == "--preset" || arg == "--record") {
      if (!value(text)) return false;
      if (!PlainText(text)) {
        error = arg + " needs a name without control characters, not '" + text + "'";
        return false;
      }
      if (arg == "--audio-api") options.audioApi = text;
      if (arg == "--audio-device") options.audioDevice = text;
      if (arg == "--midi-input") options.midiInput = text;
      if (arg == "--preset") options.preset = text;
      if (arg == "--record") options.record = text;
    } else if (arg == "--sample-rate") {
      if (!value(text)) return false;
      options.sampleRate = ParseWholeNumber(text, kMinSampleRate, kMaxSampleRate);
      if (!options.sampleRate) {
        error = "--sample-rate needs a whole number of Hz from " + std::to_string(kMinSampleRate) +
                " to " + std::to_string(kMaxSampleRate) + ", not '" + text + "'";
        return false;
      }
    } else if (arg == "--buffer-size") {
      if (!value(text)) return false;
      options.bufferSize = ParseWholeNumber(text, kMinBufferFrames, kMaxBufferFrames);
      if (!options.bufferSize) {
        error = "--buffer-size needs a whole number of frames from " +
                std::to_string(kMinBufferFrames) + " to " + std::to_string(kMaxBufferFrames) +
                ", not '" + text + "'";
        return false;
      }
    } else if (arg == "--hold-note") {
      // The note is optional: "--hold-note" alone holds middle C.
      if (inlineValue) {
        text = *inlineValue;
      } else if (i + 1 < argc && argv[i + 1] && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9') {
        text = argv[++i];
      } else {
        text = std::to_string(kDefaultHeldNote);
      }
      options.holdNote = ParseWholeNumber(text, 0, 127);
      if (!options.holdNote) {
        error = "--hold-note needs a MIDI note number from 0 to 127, not '" + text + "'";
        return false;
      }
    } else if (arg == "--quit-after") {
      if (!value(text)) return false;
      options.quitAfter = ParseSeconds(text);
      if (!options.quitAfter) {
        error = "--quit-after needs a number of seconds above 0, not '" + text + "'";
        return false;
      }
    } else {
      error = "unknown argument '" + std::string(argv[i] ? argv[i] : "") + "'";
      return false;
    }
  }
  return true;
}

std::string AppUsage() {
  return
      "Usage: fluvia [options]\n"
      "Plays the Fluvia water instrument on its own: the editor in a window, sound on an audio\n"
      "output, notes from a MIDI input or the computer keyboard (A to ; play, Z and X change\n"
      "the octave). Click the editor's header for the menu.\n"
      "\n"
      "  --list-devices        list the audio outputs and MIDI inputs, then exit\n"
      "  --audio-api API       the audio system: jack, pulse, alsa (Linux), wasapi, ds (Windows)\n"
      "  --audio-device NAME   the audio output, as --list-devices names it, or none\n"
      "  --sample-rate HZ      the sample rate, for example 48000\n"
      "  --buffer-size FRAMES  frames per audio block, for example 256\n"
      "  --midi-input NAME     the MIDI input, as --list-devices names it, or none\n"
      "  --hold-note [NOTE]    hold a note from the start (MIDI note number, 60 when omitted)\n"
      "  --preset NAME         start with a library preset (\"SFX - Heavy Rain\") or a preset file\n"
      "  --record FILE         record what plays into a WAV file from the start\n"
      "  --quit-after SECONDS  end after that many seconds, as if the window were closed\n"
      "  --version             print the version and exit\n"
      "  -h, --help            print this help and exit\n"
      "\n"
      "Choices made here hold for this run; the menu's choices are kept in Settings.txt beside\n"
      "the preset folder. The instrument's settings are saved when the program ends and come\n"
      "back at the next start. The program ends with status 0 when its window is closed or it\n"
      "receives SIGTERM, 2 for a bad command line.\n";
}

}  // namespace fluvia::app
