#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "instrument/param_presentation.h"
#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentTest;

TEST(FluviaConstructionTest, ParametersComeFromTheEngineDescriptors) {
  Fluvia plugin{testing::TestOptions()};
  ASSERT_EQ(plugin.NumParams(), 26);
  const char* names[26] = {"AmpFadeInOut", "AmpMainVolume", "ContainerDamping", "ContainerSize",
      "HostBarStartPulse", "HostTempoBpm", "HostTransportIsRunning", "MidiChannelInput",
      "ModStochasticAmt", "ParticlesCollisions", "ParticlesMassSpread",
      "ParticlesWeightVelocityRatio", "PresetBackward", "PresetForward", "PresetLoad",
      "PresetSave", "PresetSelector", "SoundfieldAmt", "SystemEnergyAmt", "Voice00_NoteGate",
      "Voice00_NoteNumber", "Voice00_NoteRetrig", "Voice00_NoteVelocity", "VoiceModeMonoPoly",
      "VoiceRetrigOffOn", "zInitParams"};
  for (int i = 0; i < 26; ++i) {
    const IParameter* p = plugin.GetParam(i);
    EXPECT_STREQ(p->Name(), names[i]);
    EXPECT_EQ(p->Value(), plugin.Engine().Descriptor(i)->defaultValue) << names[i];
    EXPECT_EQ(p->Value(), p->DefaultValue());
    EXPECT_EQ(p->DisplayPrecision(), 5);
    EXPECT_EQ(p->Kind(), ParamKind::Double);
    EXPECT_STREQ(p->Label(), "");
    // What a person plays is listed by its label; the rest is hidden from automation.
    const char* label = ShownLabel(i);
    EXPECT_EQ(p->Hidden(), label == nullptr) << names[i];
    EXPECT_EQ(p->Automatable(), label != nullptr) << names[i];
    EXPECT_STREQ(p->DisplayName(), label ? label : names[i]);
  }
  // Hosts list the knobs in the editor's reading order, then the preset selector.
  const std::vector<int>& order = plugin.ParamListOrder();
  ASSERT_EQ(order.size(), 26u);
  EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 10),
            (std::vector<int>{kParticlesCollisions, kSystemEnergyAmt, kContainerSize,
                              kParticlesWeightVelocityRatio, kParticlesMassSpread,
                              kContainerDamping, kSoundfieldAmt, kAmpFadeInOut, kAmpMainVolume,
                              kPresetSelector}));
  EXPECT_EQ(order[10], kHostBarStartPulse);
  EXPECT_EQ(order[25], kZInitParams);
  // Single-point engine ranges are widened by one step for the host.
  EXPECT_DOUBLE_EQ(plugin.GetParam(kMidiChannelInput)->Maximum(), 1.00001);
  EXPECT_DOUBLE_EQ(plugin.GetParam(kVoiceModeMonoPoly)->Maximum(), 0.00001);
  EXPECT_DOUBLE_EQ(plugin.GetParam(kVoiceRetrigOffOn)->Maximum(), 1.00001);
  EXPECT_EQ(plugin.GetParam(kPresetSelector)->Minimum(), -1.0);
  // Values in words where the knob has a unit; the hidden ones keep their numbers.
  EXPECT_EQ(plugin.GetParam(kAmpMainVolume)->FormatValue(), "75 %");
  EXPECT_EQ(plugin.GetParam(kAmpFadeInOut)->FormatValue(), "900 ms");
  EXPECT_EQ(plugin.GetParam(kParticlesCollisions)->FormatValue(), "608 Hz");
  EXPECT_EQ(plugin.GetParam(kSystemEnergyAmt)->FormatValue(), "30 %");
  EXPECT_EQ(plugin.GetParam(kPresetSelector)->FormatValue(), "None");
  EXPECT_EQ(plugin.GetParam(kHostTempoBpm)->FormatValue(), "120.00000");

  EXPECT_EQ(plugin.NumPresets(), 1);
  EXPECT_EQ(plugin.Preset(0)->name, "Init");
  EXPECT_EQ(plugin.Preset(0)->state.Size(), 208);
  EXPECT_EQ(plugin.SampleRate(), 44100.0);
  EXPECT_EQ(plugin.EffectName(), "Fluvia");
  EXPECT_EQ(plugin.ManufacturerName(), "VelmoraAudio");
  EXPECT_EQ(plugin.UniqueId(), FourCC('V', 'f', 'l', '1'));
  EXPECT_EQ(plugin.ManufacturerId(), FourCC('V', 'e', 'l', 'm'));
  EXPECT_EQ(plugin.Version(), 0x00010002);
  EXPECT_TRUE(plugin.IsInstrument());
  EXPECT_TRUE(plugin.TakesMidi());
}

TEST_F(InstrumentTest, ResetDspPushesEveryHostValueIntoTheEngine) {
  plugin.GetParam(kContainerSize)->SetValue(0.8);
  plugin.GetParam(kPresetSelector)->SetValue(42.0);
  plugin.GetParam(kMidiChannelInput)->SetValue(1.00001);
  plugin.ResetDsp();
  for (int i = 0; i < 26; ++i) {
    if (i == kMidiChannelInput || i == kVoiceModeMonoPoly || i == kVoiceRetrigOffOn) continue;
    EXPECT_EQ(EngineValue(i), Value(i)) << i;
  }
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(EngineValue(kPresetSelector), 0.0);
  EXPECT_EQ(EngineValue(kMidiChannelInput), 1.0);  // the engine's own single-point range
  EXPECT_EQ(plugin.Engine().SampleRate(), 48000.0);
}

TEST_F(InstrumentTest, MonoPolySwitchTurnsNoteHandlingOffAndOn) {
  plugin.GetParam(kVoiceModeMonoPoly)->SetFromNormalised(1.0);
  plugin.ParamChanged(kVoiceModeMonoPoly);
  EXPECT_DOUBLE_EQ(Value(kVoiceModeMonoPoly), 0.00001);
  NoteOn(60);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  plugin.GetParam(kVoiceModeMonoPoly)->SetFromNormalised(0.0);
  plugin.ParamChanged(kVoiceModeMonoPoly);
  NoteOn(60);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
}

TEST_F(InstrumentTest, HostTempoIsFollowedEveryBlockWithoutTellingTheHost) {
  host.tempo = 1234.0;
  Block();
  EXPECT_EQ(Value(kHostTempoBpm), 1000.0);
  EXPECT_EQ(EngineValue(kHostTempoBpm), 1000.0);
  host.tempo = std::numeric_limits<double>::quiet_NaN();
  Block();
  EXPECT_EQ(Value(kHostTempoBpm), 1000.0);
  EXPECT_TRUE(host.reported.empty());
}

TEST_F(InstrumentTest, BadNormalisedValuesGiveDefinedResults) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < 26; ++i) {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    for (double n : {nan, -3.0, 7.0, std::numeric_limits<double>::infinity()}) {
      plugin.GetParam(i)->SetFromNormalised(n);
      plugin.ParamChanged(i);
      EXPECT_FALSE(std::isnan(Value(i))) << i;
      EXPECT_FALSE(std::isnan(EngineValue(i))) << i;
      EXPECT_GE(EngineValue(i), plugin.Engine().Descriptor(i)->minimum);
      EXPECT_LE(EngineValue(i), plugin.Engine().Descriptor(i)->maximum);
    }
  }
  NoteOn(60);
  for (int b = 0; b < 20; ++b) {
    Block();
    for (float s : left) ASSERT_TRUE(std::isfinite(s));
  }
}

}  // namespace
}  // namespace fluvia
