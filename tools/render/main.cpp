// fluvia-render: plays a note, or a sequence of timed notes, on Fluvia and writes the result
// to a WAV file.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "presets/preset_folder.h"
#include "tools/render/instrument_player.h"
#include "tools/render/parameter_names.h"
#include "tools/render/render_options.h"
#include "tools/render/wav_file.h"

namespace fluvia::render {
std::unique_ptr<Player> MakeVst3Player(const std::string& bundle, std::string& error);
std::unique_ptr<Player> MakeVst2Player(const std::string& path, std::string& error);
}

namespace {

using namespace fluvia::render;

struct Levels {
  double peak = 0.0;
  double sumSquares = 0.0;
};

int Run(const RenderOptions& options) {
  std::string error;
  std::unique_ptr<Player> player;
  if (!options.vst3Bundle.empty()) {
    player = MakeVst3Player(options.vst3Bundle, error);
  } else if (!options.vst2Module.empty()) {
    player = MakeVst2Player(options.vst2Module, error);
  } else {
    player = std::make_unique<InstrumentPlayer>();
  }
  if (!player) {
    std::fprintf(stderr, "fluvia-render: %s\n", error.c_str());
    return 1;
  }
  if (!player->Prepare(options.sampleRate, options.blockSize, error)) {
    std::fprintf(stderr, "fluvia-render: %s\n", error.c_str());
    return 1;
  }
  for (const auto& [name, value] : options.params) {
    // A preset that is not there would play Init without a word.
    if (IsPresetSelector(name) && !CheckPresetNumber(value, fluvia::PresetFolder(), error)) {
      std::fprintf(stderr, "fluvia-render: %s\n", error.c_str());
      return 2;
    }
    if (!player->SetParameter(name, value, error)) {
      std::fprintf(stderr, "fluvia-render: %s\n", error.c_str());
      return 2;
    }
  }

  std::vector<TimedNote> notes = options.timedNotes;
  if (notes.empty()) notes.push_back({0.0, options.note, options.velocity, options.noteSeconds});
  const std::vector<NoteEvent> events = ScheduleNotes(notes, options.sampleRate);
  const long totalFrames =
      events.back().frame + std::lround(options.tailSeconds * options.sampleRate);
  std::vector<float> left(static_cast<size_t>(totalFrames)), right(static_cast<size_t>(totalFrames));
  // Each event goes to the block that holds its frame, at its offset there.
  size_t next = 0;
  for (long start = 0; start < totalFrames; start += options.blockSize) {
    const int frames = int(std::min<long>(options.blockSize, totalFrames - start));
    for (; next < events.size() && events[next].frame < start + frames; ++next) {
      const NoteEvent& event = events[next];
      const int offset = int(event.frame - start);
      if (event.on) {
        player->NoteOn(event.note, event.velocity, offset);
      } else {
        player->NoteOff(event.note, offset);
      }
    }
    player->Process(left.data() + start, right.data() + start, frames);
  }

  Levels levels;
  for (long i = 0; i < totalFrames; ++i) {
    for (float s : {left[size_t(i)], right[size_t(i)]}) {
      levels.peak = std::max(levels.peak, std::fabs(double(s)));
      levels.sumSquares += double(s) * double(s);
    }
  }
  if (!WriteStereoWav(options.output, options.sampleRate, left, right, error)) {
    std::fprintf(stderr, "fluvia-render: %s\n", error.c_str());
    return 1;
  }
  const double rms = totalFrames ? std::sqrt(levels.sumSquares / (2.0 * double(totalFrames))) : 0.0;
  auto dB = [](double x) { return x > 0.0 ? 20.0 * std::log10(x) : -HUGE_VAL; };
  std::printf("wrote %s: %ld frames at %.0f Hz, peak %.1f dBFS, rms %.1f dBFS\n",
              options.output.c_str(), totalFrames, options.sampleRate, dB(levels.peak), dB(rms));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
      std::fputs(RenderUsage(), stdout);
      std::fputs(ParameterHelp().c_str(), stdout);
      return 0;
    }
  }
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "fluvia-render: %s\n\n%s", error.c_str(), RenderUsage());
    return 2;
  }
  return Run(options);
}
