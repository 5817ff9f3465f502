// What a host's controller side sees: buses, parameters, units, the program list, value
// texts and views.

#include <cmath>
#include <cstring>
#include <set>

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kPresetId = 0x70727374;  // 'prst'

std::string Narrow(const char16* text) {
  std::string s;
  for (int i = 0; i < 128 && text[i]; ++i) s.push_back(char(text[i]));
  return s;
}

void Widen(const char* text, String128 out) {
  int i = 0;
  for (; text[i] && i < 127; ++i) out[i] = char16(text[i]);
  out[i] = 0;
}

using Vst3Controller = PluginTest;

TEST_F(Vst3Controller, AnnouncesStereoInAndOutAndOneMidiInput) {
  struct Expected {
    MediaType type;
    BusDirection dir;
    int count;
    const char* name;
    int channels;
  };
  const Expected table[] = {
      {kAudio, kInput, 1, "Main Input", 2},
      {kAudio, kOutput, 1, "Output 1", 2},
      {kEvent, kInput, 1, "MIDI Input", 1},
      {kEvent, kOutput, 0, nullptr, 0},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.name ? e.name : "event output");
    ASSERT_EQ(component()->getBusCount(e.type, e.dir), e.count);
    if (!e.count) continue;
    BusInfo info{};
    ASSERT_EQ(component()->getBusInfo(e.type, e.dir, 0, info), kResultOk);
    EXPECT_EQ(Narrow(info.name), e.name);
    EXPECT_EQ(info.channelCount, e.channels);
    EXPECT_EQ(info.busType, kMain);
    EXPECT_TRUE(info.flags & BusInfo::kDefaultActive);
    EXPECT_NE(component()->getBusInfo(e.type, e.dir, e.count, info), kResultOk);
    EXPECT_NE(component()->getBusInfo(e.type, e.dir, -1, info), kResultOk);
  }
  SpeakerArrangement arrangement = 0;
  ASSERT_EQ(processor()->getBusArrangement(kOutput, 0, arrangement), kResultOk);
  EXPECT_EQ(arrangement, SpeakerArr::kStereo);
  EXPECT_NE(processor()->getBusArrangement(kOutput, 1, arrangement), kResultOk);
  EXPECT_EQ(processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(processor()->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(processor()->canProcessSampleSize(7), kResultFalse);
  EXPECT_EQ(processor()->getLatencySamples(), 0u);
  EXPECT_EQ(processor()->getTailSamples(), 0u);
}

TEST_F(Vst3Controller, ListsThePresetParameterAndTheTwentySixParameters) {
  const char* names[] = {"AmpFadeInOut", "AmpMainVolume", "ContainerDamping", "ContainerSize",
                         "HostBarStartPulse", "HostTempoBpm", "HostTransportIsRunning",
                         "MidiChannelInput", "ModStochasticAmt", "ParticlesCollisions",
                         "ParticlesMassSpread", "ParticlesWeightVelocityRatio", "PresetBackward",
                         "PresetForward", "PresetLoad", "PresetSave", "PresetSelector",
                         "SoundfieldAmt", "SystemEnergyAmt", "Voice00_NoteGate",
                         "Voice00_NoteNumber", "Voice00_NoteRetrig", "Voice00_NoteVelocity",
                         "VoiceModeMonoPoly", "VoiceRetrigOffOn", "zInitParams"};
  ASSERT_EQ(controller()->getParameterCount(), 27);
  std::set<ParamID> ids;
  for (int32 i = 0; i < 27; ++i) {
    ParameterInfo info{};
    ASSERT_EQ(controller()->getParameterInfo(i, info), kResultOk);
    SCOPED_TRACE(Narrow(info.title));
    EXPECT_TRUE(ids.insert(info.id).second) << "duplicate id " << info.id;
    EXPECT_FALSE(Narrow(info.title).empty());
    EXPECT_GE(info.defaultNormalizedValue, 0.0);
    EXPECT_LE(info.defaultNormalizedValue, 1.0);
    EXPECT_EQ(info.unitId, kRootUnitId);
    if (i == 0) {
      EXPECT_EQ(info.id, kPresetId);
      EXPECT_EQ(Narrow(info.title), "Preset");
      EXPECT_EQ(info.stepCount, 1);
      EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);
    } else {
      EXPECT_EQ(info.id, ParamID(i - 1));
      EXPECT_EQ(Narrow(info.title), names[i - 1]);
      EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
      EXPECT_EQ(info.stepCount, 0);
      // A fresh instance reports every parameter at its default.
      EXPECT_NEAR(controller()->getParamNormalized(info.id), info.defaultNormalizedValue, 1e-12);
    }
  }
  ParameterInfo info{};
  EXPECT_EQ(controller()->getParameterInfo(27, info), kResultFalse);
  EXPECT_EQ(controller()->getParameterInfo(-1, info), kResultFalse);
}

TEST_F(Vst3Controller, DefaultsAndRangesMapLikeTheInstrument) {
  struct Case {
    ParamID id;
    double defaultNormalised;
    double plainAtHalf;
  };
  const Case table[] = {
      {kAmpMainVolume, 0.75, 0.5},
      {kHostTempoBpm, 0.12, 500.0},
      {kPresetSelector, 1.0 / 10001.0, 4999.5},
      {kVoice00_NoteNumber, 64.0 / 127.0, 63.5},
      {kMidiChannelInput, 0.0, 1.000005},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.id);
    ParameterInfo info{};
    ASSERT_EQ(controller()->getParameterInfo(int32(c.id) + 1, info), kResultOk);
    EXPECT_NEAR(info.defaultNormalizedValue, c.defaultNormalised, 1e-9);
    EXPECT_NEAR(controller()->normalizedParamToPlain(c.id, 0.5), c.plainAtHalf, 1e-9);
    EXPECT_NEAR(controller()->plainParamToNormalized(c.id, c.plainAtHalf), 0.5, 1e-9);
  }
  // Identifiers that are no parameter pass through unchanged or read as 0.
  EXPECT_EQ(controller()->plainParamToNormalized(999, 0.25), 0.25);
  EXPECT_EQ(controller()->getParamNormalized(999), 0.0);
  EXPECT_EQ(controller()->getParamNormalized(0x62706173), 0.0);  // 'bpas': not bypassed
}

TEST_F(Vst3Controller, FormatsValuesWithFiveDecimals) {
  struct Case {
    ParamID id;
    double normalised;
    const char* text;
  };
  const Case table[] = {
      {kAmpMainVolume, 0.75, "0.75000"},
      {kPresetSelector, 0.5, "4999.50000"},
      {kHostTempoBpm, 0.12, "120.00000"},
      {kVoiceModeMonoPoly, 1.0, "0.00001"},
      {kAmpFadeInOut, std::nan(""), "0.00000"},  // a NaN from the host shows the minimum
  };
  for (const Case& c : table) {
    String128 text{};
    ASSERT_EQ(controller()->getParamStringByValue(c.id, c.normalised, text), kResultOk);
    EXPECT_EQ(Narrow(text), c.text);
  }
  String128 text{};
  EXPECT_EQ(controller()->getParamStringByValue(999, 0.5, text), kResultFalse);
  EXPECT_NE(controller()->getParamStringByValue(kAmpMainVolume, 0.5, nullptr), kResultOk);

  String128 entered;
  Widen("0.25", entered);
  ParamValue parsed = -1.0;
  ASSERT_EQ(controller()->getParamValueByString(kAmpMainVolume, entered, parsed), kResultOk);
  EXPECT_NEAR(parsed, 0.25, 1e-9);
  EXPECT_NE(controller()->getParamValueByString(kAmpMainVolume, nullptr, parsed), kResultOk);
  EXPECT_NE(controller()->getParamValueByString(999, entered, parsed), kResultOk);
}

TEST_F(Vst3Controller, SetParamNormalizedStoresTheValue) {
  EXPECT_EQ(controller()->setParamNormalized(kAmpMainVolume, 0.25), kResultOk);
  EXPECT_DOUBLE_EQ(Normalised(kAmpMainVolume), 0.25);
  // The mono/poly switch's range is one step wide: 1.0 is the step, 0.0 the minimum.
  EXPECT_EQ(controller()->setParamNormalized(kVoiceModeMonoPoly, 1.0), kResultOk);
  EXPECT_DOUBLE_EQ(Normalised(kVoiceModeMonoPoly), 1.0);
  // NaN from the host leaves the value as it was.
  EXPECT_EQ(controller()->setParamNormalized(kAmpMainVolume, std::nan("")), kResultOk);
  EXPECT_DOUBLE_EQ(Normalised(kAmpMainVolume), 0.25);
  EXPECT_EQ(controller()->setParamNormalized(999, 0.5), kResultFalse);
  EXPECT_EQ(controller()->setParamNormalized(kPresetId, 0.5), kResultFalse);
}

TEST_F(Vst3Controller, HasOneRootUnitAndTheFactoryPresetList) {
  IUnitInfo* units = nullptr;
  ASSERT_EQ(controller()->queryInterface(IUnitInfo::iid.toTUID(), reinterpret_cast<void**>(&units)),
            kResultOk);
  ASSERT_TRUE(units);
  EXPECT_EQ(units->getUnitCount(), 1);
  UnitInfo unit{};
  ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
  EXPECT_EQ(unit.id, kRootUnitId);
  EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(Narrow(unit.name), "Root Unit");
  EXPECT_EQ(unit.programListId, ProgramListID(kPresetId));  // where hosts look for the names
  EXPECT_EQ(units->getUnitInfo(1, unit), kResultFalse);
  EXPECT_EQ(units->getSelectedUnit(), kRootUnitId);

  ASSERT_EQ(units->getProgramListCount(), 1);
  ProgramListInfo list{};
  ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
  EXPECT_EQ(list.id, ProgramListID(kPresetId));
  EXPECT_EQ(Narrow(list.name), "Factory Presets");
  EXPECT_EQ(list.programCount, 1);
  EXPECT_EQ(units->getProgramListInfo(1, list), kResultFalse);

  String128 name{};
  ASSERT_EQ(units->getProgramName(kPresetId, 0, name), kResultOk);
  EXPECT_EQ(Narrow(name), "Init");
  name[0] = 'x';
  ASSERT_EQ(units->getProgramName(kPresetId, 7, name), kResultOk);
  EXPECT_EQ(Narrow(name), "");
  EXPECT_EQ(units->getProgramName(1234, 0, name), kResultFalse);
  EXPECT_NE(units->getProgramName(kPresetId, 0, nullptr), kResultOk);
  units->release();
}

TEST_F(Vst3Controller, CreatesAnEditorViewOnlyByItsName) {
  EXPECT_EQ(controller()->createView("other"), nullptr);
  EXPECT_EQ(controller()->createView(""), nullptr);
  EXPECT_EQ(controller()->createView(nullptr), nullptr);
  IPlugView* view = controller()->createView(ViewType::kEditor);
  ASSERT_TRUE(view);
  EXPECT_NE(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultOk);
  EXPECT_NE(view->isPlatformTypeSupported(nullptr), kResultOk);
  EXPECT_NE(view->getSize(nullptr), kResultOk);
  EXPECT_NE(view->onSize(nullptr), kResultOk);
  EXPECT_EQ(view->canResize(), kResultFalse);
  EXPECT_EQ(view->onWheel(1.0f), kResultFalse);
  EXPECT_EQ(view->onKeyDown('a', 0, 0), kResultFalse);

  // With an editor the view embeds into X11 windows and is as large as the editor; without one
  // it admits nothing and has no size.
  ViewRect size{};
  const bool hasEditor = view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) == kResultOk;
  if (hasEditor) {
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1000);
    EXPECT_EQ(size.getHeight(), 960);
  } else {
    EXPECT_EQ(view->getSize(&size), kResultFalse);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), kPlatformTypeX11EmbedWindowID),
              kResultFalse);
  }
  EXPECT_EQ(view->removed(), kResultOk);
  view->release();

  IEditController2* controller2 = nullptr;
  ASSERT_EQ(controller()->queryInterface(IEditController2::iid.toTUID(),
                                         reinterpret_cast<void**>(&controller2)),
            kResultOk);
  EXPECT_EQ(controller2->openHelp(false), kResultFalse);
  EXPECT_EQ(controller2->openAboutBox(false), kResultFalse);
  controller2->release();
}

TEST_F(Vst3Controller, SurvivesRepeatedTerminateAndInitialize) {
  EXPECT_EQ(component()->initialize(&host_), kResultFalse);  // already initialised
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(component()->terminate(), kResultOk);
    EXPECT_EQ(controller()->getParameterCount(), 0);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 0);
    ASSERT_EQ(component()->initialize(&host_), kResultOk);
    EXPECT_EQ(controller()->getParameterCount(), 27);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
  }
  // Without a host context as well, and the second call is still refused.
  ASSERT_EQ(component()->terminate(), kResultOk);
  ASSERT_EQ(component()->initialize(nullptr), kResultOk);
  EXPECT_EQ(component()->initialize(nullptr), kResultFalse);
  EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
  ASSERT_EQ(component()->terminate(), kResultOk);
  ASSERT_EQ(component()->initialize(&host_), kResultOk);
}

}  // namespace
}  // namespace fluvia::vst3test
