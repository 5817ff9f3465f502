// The factory presets as sounds: each file, chosen from the library of an instrument at
// 48 kHz and played with one held note, is measured like presets/factory/README.md does.
// These are tests of the preset files: a retune that breaks them fails here.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "instrument/fluvia.h"
#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "presets/preset_install.h"
#include "presets/preset_numbers.h"
#include "tests/presets/scratch_folder.h"
#include "tools/presets/audio_analysis.h"

namespace fluvia {
namespace {

using analysis::SoundMeasures;
using testing::ScratchFolder;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kHeldSeconds = 2.0;  // measured after the attack

struct PresetSound {
  std::string name;
  SoundMeasures measures;
};

// Plays library preset n of the folder (installed from the source tree) and measures the
// held part of the note.
PresetSound PlayFactoryPreset(const std::string& folder, int n) {
  FluviaOptions options;
  options.presetFolder = folder;
  Fluvia plugin(options);
  plugin.SetInputChannelConnections(0, 2, true);
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetSampleRate(kRate);
  plugin.SetMaxBlockSize(kBlock);
  plugin.ResetDsp();

  const std::string relative = LibraryPresetRelativePath(n);
  PresetSound sound{relative.substr(relative.find('/') + 1), {}};
  {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    plugin.GetParam(kPresetSelector)->SetValue(n);
    plugin.ParamChanged(kPresetSelector);
  }
  {
    // The preset reaches the engine at the start of the next processing call.
    AudioThreadScope audio(plugin);
    plugin.ProcessBuffers(0);
  }
  // The file's values are what plays, or the measures would be of some other sound.
  const auto text = ReadSmallFile(folder + relative, kMaxPresetFileBytes);
  EXPECT_TRUE(text.has_value()) << relative;
  const PresetValues values = ParsePresetText(text.value_or(""));
  for (size_t i = 0; i < kStoredPresetParamCount; ++i) {
    const int index = StoredPresetParams()[i].index;
    EXPECT_EQ(plugin.Engine().Parameter(index), values[i].value_or(-1.0))
        << sound.name << " " << StoredPresetParams()[i].tag;
  }

  // The attack lasts 10 x fading squared seconds.
  const double fading = plugin.Engine().Parameter(kAmpFadeInOut);
  const double attack = 10.0 * fading * fading + 0.25;
  const int skipBlocks = int(std::ceil(attack * kRate / kBlock));
  const int heldBlocks = int(std::ceil(kHeldSeconds * kRate / kBlock));
  analysis::StereoSignal held;
  held.sampleRate = kRate;
  std::vector<double> left(kBlock), right(kBlock);
  double* outputs[2] = {left.data(), right.data()};
  double* inputs[2] = {left.data(), right.data()};
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  plugin.ProcessMidi({0, 0x90, 60, 100});
  for (int block = 0; block < skipBlocks + heldBlocks; ++block) {
    plugin.ProcessDouble(inputs, outputs, kBlock);
    if (block < skipBlocks) continue;
    for (int i = 0; i < kBlock; ++i) {
      held.left.push_back(float(left[size_t(i)]));
      held.right.push_back(float(right[size_t(i)]));
    }
  }
  sound.measures = analysis::Analyse(held, 0.0, 0.0);
  return sound;
}

std::vector<PresetSound> PlayAllFactoryPresets() {
  ScratchFolder scratch;
  const std::string folder = scratch.Path() + "Presets/";
  const auto files = ReadFactoryPresetFolder(FLUVIA_FACTORY_PRESET_DIR);
  EXPECT_TRUE(files.has_value());
  if (!files || !InstallPresets(folder, *files).Succeeded()) return {};
  std::vector<PresetSound> sounds;
  for (int n = kWelcomePresetNumber; n < kFirstUserPresetNumber; ++n) {
    sounds.push_back(PlayFactoryPreset(folder, n));
  }
  return sounds;
}

// Power above 20 kHz is heard by nobody, yet it takes headroom (meters read louder than the
// sound is), turns harsh when a host resamples and is lost in any lossy export.
TEST(FactoryPresetSound, KeepsAtMostATenthOfItsPowerAboveTwentyKilohertz) {
  const std::vector<PresetSound> sounds = PlayAllFactoryPresets();
  ASSERT_EQ(sounds.size(), 6u);
  for (const PresetSound& sound : sounds) {
    EXPECT_GT(sound.measures.rmsDb, -60.0) << sound.name << " is silent";
    EXPECT_LE(sound.measures.ultrasonicShare, 0.10) << sound.name;
  }
}

// Six presets that sound alike would be five too many: every two differ clearly in level,
// brightness, width of the spectrum, density of events, steadiness or stereo width.
TEST(FactoryPresetSound, EachSoundsClearlyUnlikeTheOthers) {
  const std::vector<PresetSound> sounds = PlayAllFactoryPresets();
  ASSERT_EQ(sounds.size(), 6u);
  const auto ratio = [](double a, double b) { return std::max(a, b) / std::max(1e-9, std::min(a, b)); };
  for (size_t i = 0; i < sounds.size(); ++i) {
    for (size_t j = i + 1; j < sounds.size(); ++j) {
      const SoundMeasures& a = sounds[i].measures;
      const SoundMeasures& b = sounds[j].measures;
      const bool apart = std::fabs(a.rmsDb - b.rmsDb) >= 3.0 ||
                         ratio(a.audibleCentroidHz, b.audibleCentroidHz) >= 1.25 ||
                         ratio(a.spreadHz, b.spreadHz) >= 1.5 ||
                         std::fabs(a.eventsPerSecond - b.eventsPerSecond) >= 3.0 ||
                         std::fabs(a.fluctuationDb - b.fluctuationDb) >= 1.0 ||
                         std::fabs(a.correlation - b.correlation) >= 0.5;
      EXPECT_TRUE(apart) << sounds[i].name << " and " << sounds[j].name << " sound alike";
    }
  }
}

}  // namespace
}  // namespace fluvia
