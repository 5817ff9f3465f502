#pragma once
// The application's command line. It mirrors the menu, for scripts and tests: what it chooses
// holds for this run only and is not written to the settings file (a script does not change
// what the person set up), except through the menu while the program runs.

#include <optional>
#include <string>

namespace fluvia::app {

struct AppOptions {
  bool help = false;
  bool version = false;
  bool listDevices = false;
  std::optional<std::string> audioApi;     // "jack", "alsa", "pulse", "wasapi", "ds"
  std::optional<std::string> audioDevice;  // a listed name, or "none"
  std::optional<int> sampleRate;
  std::optional<int> bufferSize;
  std::optional<std::string> midiInput;    // a listed name, or "none"
  std::optional<int> holdNote;             // note number held from the start
  std::optional<std::string> preset;       // a library preset's name, or a preset file
  std::optional<std::string> record;       // WAV file recorded from the start
  std::optional<double> quitAfter;         // seconds, then the program ends as if closed
};

inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 384000;
inline constexpr int kMinBufferFrames = 16;
inline constexpr int kMaxBufferFrames = 8192;
inline constexpr int kDefaultHeldNote = 60;

// False with a message naming the bad argument.
bool ParseAppOptions(int argc, const char* const* argv, AppOptions& options, std::string& error);

// The --help text.
std::string AppUsage();

// A whole decimal number within [low, high]; nothing for anything else ("48k", "1e3", " 5").
std::optional<int> ParseWholeNumber(const std::string& text, int low, int high);

}  // namespace fluvia::app
