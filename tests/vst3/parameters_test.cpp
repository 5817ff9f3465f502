// The parameter list a VST3 host shows (names, flags, value texts in words, text typed back),
// and a project saved by release 1.0.2 restoring byte for byte with the same sound.

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/vst3/byte_stream.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kPresetId = 0x70727374;  // 'prst'
constexpr int32 kHiddenFlags = ParameterInfo::kIsHidden | ParameterInfo::kIsReadOnly;

std::string Narrow(const char16* text) {
  std::string s;
  for (int i = 0; i < 128 && text[i]; ++i) s.push_back(char(text[i]));
  return s;
}

void Widen(const char* text, String128 out) {
  int i = 0;
  for (; text[i] && i < 127; ++i) out[i] = char16(static_cast<unsigned char>(text[i]));
  out[i] = 0;
}

std::vector<uint8_t> ReadFixture(const char* name) {
  std::ifstream file(std::string(FLUVIA_VST3_FIXTURES) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Every instance reads its presets from a scratch home, so a preset's name is known.
class Vst3Parameters : public PluginTest {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            ("fluvia-vst3-parameters-" + std::to_string(getpid()));
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
    const auto presets = home_ / "Documents/VelmoraAudio/Fluvia/Presets";
    std::filesystem::create_directories(presets / "Factory");
    std::ofstream(presets / "Factory/SFX - Shower.fluviapreset") << "<AmpMainVolume>0.4</AmpMainVolume>";
    PluginTest::SetUp();
  }
  void TearDown() override {
    PluginTest::TearDown();
    std::filesystem::remove_all(home_);
  }
  std::string Text(ParamID id, double normalised) {
    String128 text{};
    EXPECT_EQ(controller()->getParamStringByValue(id, normalised, text), kResultOk) << id;
    return Narrow(text);
  }
  std::filesystem::path home_;
};

TEST_F(Vst3Parameters, HostsListTheKnobsByTheirLabelsThenThePresetSelectorAndHideTheRest) {
  const struct {
    ParamID id;
    const char* title;
  } shown[] = {
      {kParticlesCollisions, "Collisions"}, {kSystemEnergyAmt, "System Energy"},
      {kContainerSize, "Size"},             {kParticlesWeightVelocityRatio, "Kinetics"},
      {kParticlesMassSpread, "Mass Spread"}, {kContainerDamping, "Material"},
      {kSoundfieldAmt, "Panorama"},         {kAmpFadeInOut, "Fading"},
      {kAmpMainVolume, "Volume"},           {kPresetSelector, "Library Preset"},
  };
  ASSERT_EQ(controller()->getParameterCount(), 27);
  ParameterInfo info{};
  ASSERT_EQ(controller()->getParameterInfo(0, info), kResultOk);
  EXPECT_EQ(info.id, kPresetId);
  EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);

  std::set<ParamID> ids;
  for (int32 i = 1; i < 27; ++i) {
    ASSERT_EQ(controller()->getParameterInfo(i, info), kResultOk);
    SCOPED_TRACE(Narrow(info.title));
    EXPECT_TRUE(ids.insert(info.id).second);
    EXPECT_EQ(Narrow(info.units), "");  // the unit is part of the value's text
    if (i <= 10) {
      EXPECT_EQ(info.id, shown[i - 1].id);
      EXPECT_EQ(Narrow(info.title), shown[i - 1].title);
      EXPECT_EQ(Narrow(info.shortTitle), shown[i - 1].title);
      EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
    } else {
      EXPECT_EQ(info.flags, kHiddenFlags);
    }
    EXPECT_NEAR(controller()->getParamNormalized(info.id), info.defaultNormalizedValue, 1e-12);
  }
  // The hidden ones keep their identifiers and their names, in index order.
  const struct {
    int32 position;
    ParamID id;
    const char* title;
  } hidden[] = {{11, kHostBarStartPulse, "HostBarStartPulse"},
                {12, kHostTempoBpm, "HostTempoBpm"},
                {19, kPresetSave, "PresetSave"},
                {20, kVoice00_NoteGate, "Voice00_NoteGate"},
                {26, kZInitParams, "zInitParams"}};
  for (const auto& h : hidden) {
    ASSERT_EQ(controller()->getParameterInfo(h.position, info), kResultOk);
    EXPECT_EQ(info.id, h.id);
    EXPECT_EQ(Narrow(info.title), h.title);
  }
  EXPECT_EQ(ids.size(), 26u);
  EXPECT_EQ(*ids.rbegin(), ParamID(25));
}

TEST_F(Vst3Parameters, ValuesReadInWordsAndTypedWordsSetThem) {
  const struct {
    ParamID id;
    double normalised;
    const char* text;
  } shown[] = {
      {kAmpMainVolume, 0.75, "75 %"},
      {kSoundfieldAmt, 0.0, "0 %"},
      {kParticlesCollisions, 0.0, "300 Hz"},
      {kParticlesCollisions, 0.25, "608 Hz"},
      {kParticlesCollisions, 1.0, "20.00 kHz"},
      {kAmpFadeInOut, 0.0, "1.0 ms"},
      {kAmpFadeInOut, 0.3, "900 ms"},
      {kAmpFadeInOut, 1.0, "10.00 s"},
      {kAmpFadeInOut, std::nan(""), "1.0 ms"},  // a NaN from the host shows the minimum
      {kPresetSelector, 1.0 / 10001.0, "None"},
      {kPresetSelector, 4.0 / 10001.0, "SFX - Shower"},
      {kPresetSelector, 5.0 / 10001.0, "SFX - Waterfall (no file)"},
      {kPresetSelector, 1.0, "No preset"},
      {kHostTempoBpm, 0.12, "120.00000"},  // hidden ones keep their plain numbers
  };
  for (const auto& c : shown) EXPECT_EQ(Text(c.id, c.normalised), c.text) << c.id;
  String128 text{};
  EXPECT_EQ(controller()->getParamStringByValue(999, 0.5, text), kResultFalse);
  EXPECT_NE(controller()->getParamStringByValue(kAmpMainVolume, 0.5, nullptr), kResultOk);

  const struct {
    ParamID id;
    const char* typed;
    double normalised;  // NAN: refused
  } typed[] = {
      {kAmpMainVolume, "50", 0.5},
      {kAmpMainVolume, "25 %", 0.25},
      {kAmpFadeInOut, "0.9 s", 0.3},
      {kAmpFadeInOut, "900 ms", 0.3},
      {kParticlesCollisions, "20 kHz", 1.0},
      {kPresetSelector, "SFX - Shower", 4.0 / 10001.0},
      {kPresetSelector, "sfx - shower", 4.0 / 10001.0},
      {kHostTempoBpm, "120", 0.12},
      {kAmpMainVolume, "loud", NAN},
      {kAmpFadeInOut, "3 Hz", NAN},
  };
  for (const auto& c : typed) {
    String128 entered;
    Widen(c.typed, entered);
    ParamValue parsed = -1.0;
    const tresult result = controller()->getParamValueByString(c.id, entered, parsed);
    if (std::isnan(c.normalised)) {
      EXPECT_EQ(result, kResultFalse) << c.typed;
    } else {
      ASSERT_EQ(result, kResultOk) << c.typed;
      EXPECT_NEAR(parsed, c.normalised, 1e-6) << c.typed;
    }
  }
  ParamValue parsed = 0.0;
  EXPECT_NE(controller()->getParamValueByString(kAmpMainVolume, nullptr, parsed), kResultOk);
}

// The instance's values, one per identifier.
std::vector<double> Values(IEditController* controller) {
  std::vector<double> values;
  for (ParamID id = 0; id < 26; ++id) values.push_back(controller->getParamNormalized(id));
  return values;
}

TEST_F(Vst3Parameters, AStateSavedByRelease102RestoresByteForByteAndSoundsTheSame) {
  const std::vector<uint8_t> saved = ReadFixture("state-1.0.2.bin");
  ASSERT_EQ(saved.size(), 212u);
  Start();
  ByteStream in(saved);
  ASSERT_EQ(controller()->setState(&in), kResultOk);
  ByteStream out;
  ASSERT_EQ(controller()->getState(&out), kResultOk);
  EXPECT_EQ(out.Bytes(), saved);

  // The same values as the saving release had: hidden ones included.
  EXPECT_NEAR(controller()->normalizedParamToPlain(kHostTempoBpm, Normalised(kHostTempoBpm)),
              133.0, 1e-9);
  EXPECT_NEAR(Normalised(kParticlesCollisions), 0.61, 1e-12);
  EXPECT_NEAR(Normalised(kModStochasticAmt), 0.8, 1e-12);

  // The sound: an instance given the same values the way that project's host set them
  // (automation before the first block) plays exactly the same samples. Each plays in its own
  // copy of the module, so both draw from a noise generator of their own from its start.
  const std::vector<double> restored = Values(controller());
  auto play = [&](const std::string& tag, bool restore) {
    const auto bundle = home_ / (tag + "/Fluvia.vst3");
    std::filesystem::create_directories(bundle.parent_path());
    std::filesystem::copy(BundlePath(), bundle, std::filesystem::copy_options::recursive);
    std::string error;
    auto module = vst3host::Vst3Module::Load(bundle.string(), error);
    vst3host::HostApplication host;
    auto plugin = module ? vst3host::Vst3Plugin::Create(*module, host, error) : nullptr;
    std::vector<float> all;
    EXPECT_TRUE(plugin) << error;
    if (!plugin || !plugin->Start(48000.0, 512, kSample32, error)) return all;
    if (restore) {
      ByteStream state(saved);
      EXPECT_EQ(plugin->Controller()->setState(&state), kResultOk);
    } else {
      for (ParamID id = 0; id < 26; ++id) {
        if (id == kHostTempoBpm || id == kPresetSelector) continue;  // the host's, a command
        plugin->Controller()->setParamNormalized(id, restored[id]);
        plugin->Changes().Add(id, 0, restored[id]);
      }
    }
    std::vector<float> left(512), right(512);
    plugin->Events().NoteOn(60, 0.8f, 0);
    for (int block = 0; block < 40; ++block) {
      plugin->Process(left.data(), right.data(), 512);
      plugin->Events().Clear();
      plugin->Changes().Clear();
      all.insert(all.end(), left.begin(), left.end());
      all.insert(all.end(), right.begin(), right.end());
    }
    plugin->Stop();
    plugin.reset();
    return all;
  };
  const std::vector<float> fromState = play("restored", true);
  const std::vector<float> fromValues = play("automated", false);
  double energy = 0.0;
  for (float sample : fromState) energy += double(sample) * double(sample);
  EXPECT_GT(energy, 0.0);
  EXPECT_EQ(fromState, fromValues);
}

}  // namespace
}  // namespace fluvia::vst3test
