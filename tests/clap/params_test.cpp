// The parameters a host sees: the VST3 module's list (order, identifiers, names, ranges,
// defaults, flags, text both ways) in CLAP's plain values, their values, and the flush outside
// processing.

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "tests/clap/clap_fixture.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::claptest {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string Narrow(const TChar* text) {
  std::string out;
  for (int i = 0; i < 128 && text[i]; ++i) out.push_back(char(text[i] & 0x7f));
  return out;
}

void Widen(const std::string& text, String128 out) {
  size_t i = 0;
  for (; i < text.size() && i < 127; ++i) out[i] = TChar(uint8_t(text[i]));
  out[i] = 0;
}

class ClapParams : public ClapTest {
 protected:
  void SetUp() override {
    ClapTest::SetUp();
    std::string error;
    vst3Module_ = vst3host::Vst3Module::Load(Vst3BundlePath(), error);
    ASSERT_TRUE(vst3Module_) << error;
    vst3_ = vst3host::Vst3Plugin::Create(*vst3Module_, vst3Host_, error);
    ASSERT_TRUE(vst3_) << error;
  }
  void TearDown() override {
    vst3_.reset();
    vst3Module_.reset();
    ClapTest::TearDown();
  }
  IEditController* controller() { return vst3_->Controller(); }

  vst3host::HostApplication vst3Host_;
  std::unique_ptr<vst3host::Vst3Module> vst3Module_;
  std::unique_ptr<vst3host::Vst3Plugin> vst3_;
};

// Every parameter as the VST3 module lists it, in the same order: identifier, name, range,
// default and flags (the knobs by their labels and automatable, the rest hidden and
// read-only), and the text of values across the range both ways, in words.
TEST_F(ClapParams, ListTheVst3ModulesParametersWithTheirTextBothWays) {
  const auto* params = plugin().Ext<clap::PluginParams>(clap::kExtParams);
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(int32(params->count(record())), controller()->getParameterCount());
  ASSERT_EQ(params->count(record()), 27u);
  for (uint32_t i = 0; i < params->count(record()); ++i) {
    ParameterInfo vst3{};
    ASSERT_EQ(controller()->getParameterInfo(int32(i), vst3), kResultOk);
    clap::ParamInfo info{};
    ASSERT_TRUE(params->getInfo(record(), i, &info));
    const std::string name = Narrow(vst3.title);
    SCOPED_TRACE(name);
    EXPECT_EQ(info.id, vst3.id);
    EXPECT_EQ(std::string(info.name), name);
    EXPECT_EQ(std::string(info.module), "");  // the VST3 module's parameters sit in the root unit
    EXPECT_DOUBLE_EQ(info.minValue, controller()->normalizedParamToPlain(vst3.id, 0.0));
    EXPECT_DOUBLE_EQ(info.maxValue, controller()->normalizedParamToPlain(vst3.id, 1.0));
    EXPECT_DOUBLE_EQ(info.defaultValue,
                     controller()->normalizedParamToPlain(vst3.id, vst3.defaultNormalizedValue));
    EXPECT_EQ((info.flags & clap::kParamIsAutomatable) != 0,
              (vst3.flags & ParameterInfo::kCanAutomate) != 0);
    EXPECT_EQ((info.flags & clap::kParamIsStepped) != 0, vst3.stepCount > 0);
    EXPECT_EQ((info.flags & clap::kParamIsHidden) != 0, (vst3.flags & ParameterInfo::kIsHidden) != 0);
    EXPECT_EQ((info.flags & clap::kParamIsReadonly) != 0,
              (vst3.flags & ParameterInfo::kIsReadOnly) != 0);
    EXPECT_EQ(info.flags & clap::kParamIsBypass, 0u);

    for (double n : {0.0, 0.1, 0.25, 0.5, 0.77, 1.0}) {
      const double plain = info.minValue + n * (info.maxValue - info.minValue);
      String128 text{};
      ASSERT_EQ(controller()->getParamStringByValue(vst3.id, n, text), kResultOk);
      EXPECT_EQ(plugin().Text(info.id, plain), Narrow(text)) << "at " << n;
    }
    for (const char* typed : {"0", "0.3", "  0.62 units", "17", "-4", "1e9", "abc", "", "50 %",
                              "25%", "0.9 s", "900 ms", "2 kHz", "20 kHz", "3 Hz", "SFX - Shower",
                              "sfx - shower", "None"}) {
      String128 wide{};
      Widen(typed, wide);
      ParamValue normalised = 0.0;
      const bool vst3Read = controller()->getParamValueByString(vst3.id, wide, normalised) == kResultOk;
      double plain = 0.0;
      const bool clapRead = params->textToValue(record(), info.id, typed, &plain);
      EXPECT_EQ(clapRead, vst3Read) << "'" << typed << "'";
      if (clapRead && vst3Read) {
        // A CLAP value stays inside the parameter's range (the VST3 module leaves a typed
        // preset number beyond it as it is).
        const double expected = std::clamp(controller()->normalizedParamToPlain(vst3.id, normalised),
                                           info.minValue, info.maxValue);
        EXPECT_NEAR(plain, expected, 1e-9 * std::max(1.0, std::fabs(expected))) << "'" << typed << "'";
      }
    }
  }
  // Outside the list: nothing.
  clap::ParamInfo info{};
  EXPECT_FALSE(params->getInfo(record(), 27, &info));
  EXPECT_FALSE(params->getInfo(record(), 0, nullptr));
}

// What a person plays comes first, by the knobs' labels, then the preset selector; the other
// sixteen keep their identifiers and names but are hidden from the host's lists and automation.
TEST_F(ClapParams, HostsListTheKnobsByTheirLabelsAndHideTheRest) {
  const struct {
    clap::Id id;
    const char* name;
  } shown[] = {
      {ParamId(kParticlesCollisions), "Collisions"}, {ParamId(kSystemEnergyAmt), "System Energy"},
      {ParamId(kContainerSize), "Size"},             {ParamId(kParticlesWeightVelocityRatio), "Kinetics"},
      {ParamId(kParticlesMassSpread), "Mass Spread"}, {ParamId(kContainerDamping), "Material"},
      {ParamId(kSoundfieldAmt), "Panorama"},         {ParamId(kAmpFadeInOut), "Fading"},
      {ParamId(kAmpMainVolume), "Volume"},           {ParamId(kPresetSelector), "Library Preset"},
  };
  clap::ParamInfo info{};
  ASSERT_TRUE(plugin().ParamInfoAt(0, info));
  EXPECT_EQ(info.id, kClapPresetParamId);
  for (uint32_t i = 1; i <= 10; ++i) {
    ASSERT_TRUE(plugin().ParamInfoAt(i, info));
    EXPECT_EQ(info.id, shown[i - 1].id);
    EXPECT_STREQ(info.name, shown[i - 1].name);
    EXPECT_EQ(info.flags & (clap::kParamIsAutomatable | clap::kParamIsHidden), clap::kParamIsAutomatable);
  }
  clap::Id previous = 0;
  for (uint32_t i = 11; i < 27; ++i) {
    ASSERT_TRUE(plugin().ParamInfoAt(i, info));
    SCOPED_TRACE(info.name);
    EXPECT_EQ(info.flags & (clap::kParamIsAutomatable | clap::kParamIsHidden | clap::kParamIsReadonly),
              clap::kParamIsHidden | clap::kParamIsReadonly);
    if (i > 11) {
      EXPECT_GT(info.id, previous);  // in index order
    }
    previous = info.id;
  }
  clap::Id tempo = 0;
  ASSERT_TRUE(plugin().FindParam("HostTempoBpm", tempo));
  EXPECT_EQ(tempo, ParamId(kHostTempoBpm));

  // Values in words, and words a person types read back.
  EXPECT_EQ(plugin().Text(ParamId(kAmpMainVolume), 0.75), "75 %");
  EXPECT_EQ(plugin().Text(ParamId(kAmpFadeInOut), plugin().Value(ParamId(kAmpFadeInOut))),
            plugin().Text(ParamId(kAmpFadeInOut), 0.3));
  const auto* params = plugin().Ext<clap::PluginParams>(clap::kExtParams);
  double value = 0.0;
  ASSERT_TRUE(params->textToValue(record(), ParamId(kAmpMainVolume), "25 %", &value));
  EXPECT_NEAR(value, 0.25, 1e-12);
  EXPECT_FALSE(params->textToValue(record(), ParamId(kAmpFadeInOut), "3 Hz", &value));
}

TEST_F(ClapParams, ValuesAreTheCoresInPlainUnitsAndUnknownIdsHaveNone) {
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.75);
  EXPECT_EQ(plugin().Value(ParamId(kHostTempoBpm)), 120.0);
  EXPECT_EQ(plugin().Value(ParamId(kVoice00_NoteNumber)), 64.0);
  EXPECT_EQ(plugin().Value(kClapPresetParamId), 0.0);
  const auto* params = plugin().Ext<clap::PluginParams>(clap::kExtParams);
  double value = 5.0;
  EXPECT_FALSE(params->getValue(record(), 26, &value));
  EXPECT_FALSE(params->getValue(record(), 0x62706173, &value));  // 'bpas': an instrument has none
  EXPECT_FALSE(params->getValue(record(), ParamId(kAmpMainVolume), nullptr));
  EXPECT_EQ(value, 5.0);
  char text[8] = "unset";
  EXPECT_FALSE(params->valueToText(record(), 26, 0.5, text, sizeof text));
  EXPECT_FALSE(params->valueToText(record(), ParamId(kAmpMainVolume), 0.5, text, 0));
  EXPECT_FALSE(params->valueToText(record(), ParamId(kAmpMainVolume), 0.5, nullptr, 8));
  // A short buffer gets as much as fits, terminated.
  ASSERT_TRUE(params->valueToText(record(), ParamId(kHostTempoBpm), 123.456, text, 4));
  EXPECT_EQ(std::string(text), plugin().Text(ParamId(kHostTempoBpm), 123.456).substr(0, 3));
  EXPECT_FALSE(params->textToValue(record(), 26, "1", &value));
  EXPECT_FALSE(params->textToValue(record(), ParamId(kAmpMainVolume), nullptr, &value));
  EXPECT_FALSE(params->textToValue(record(), ParamId(kAmpMainVolume), "nan", &value));
  // Values out of the range and not finite show as the value the parameter would take.
  EXPECT_EQ(plugin().Text(ParamId(kAmpMainVolume), 7.0), plugin().Text(ParamId(kAmpMainVolume), 1.0));
  EXPECT_EQ(plugin().Text(ParamId(kAmpMainVolume), -std::numeric_limits<double>::infinity()),
            plugin().Text(ParamId(kAmpMainVolume), 0.0));
  EXPECT_EQ(plugin().Text(ParamId(kAmpMainVolume), std::nan("")),
            plugin().Text(ParamId(kAmpMainVolume), 0.0));
}

// Outside processing the host hands parameter changes over with flush; they take effect at
// once, whether the plug-in is active or not. Changes the plug-in cannot take change nothing.
TEST_F(ClapParams, FlushAppliesValuesOutsideProcessing) {
  plugin().Events().ParamValue(ParamId(kAmpMainVolume), 0.4, 0);
  plugin().Events().ParamValue(ParamId(kSoundfieldAmt), 0.9, 17);
  plugin().Events().ParamValue(ParamId(kSoundfieldAmt), std::nan(""), 18);
  plugin().Events().ParamValue(ParamId(kContainerSize), std::numeric_limits<double>::infinity(), 0);
  plugin().Events().ParamValue(4711, 0.5, 0);
  plugin().Events().ParamValue(ParamId(kHostTempoBpm), 5000.0, 0);  // beyond the range
  plugin().Events().NoteOn(60, 1.0, 0);                              // not a parameter change
  plugin().Flush();
  plugin().Events().Clear();
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.4);
  EXPECT_EQ(plugin().Value(ParamId(kSoundfieldAmt)), 0.9);
  EXPECT_EQ(plugin().Value(ParamId(kContainerSize)), 0.1);
  EXPECT_EQ(plugin().Value(ParamId(kHostTempoBpm)), 1000.0);

  Start();
  plugin().Events().ParamValue(ParamId(kAmpMainVolume), 0.6, 0);
  plugin().Events().NoteOn(60, 1.0, 0);
  plugin().Flush();
  plugin().Events().Clear();
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.6);
  // The flushed note did not play.
  Stereo out;
  Render(out, 10, 512);
  EXPECT_EQ(out.Peak(), 0.0);
}

}  // namespace
}  // namespace fluvia::claptest
