// What a host's controller side sees: buses, parameter ranges, units, the program list and
// views (the parameter list itself and its texts: parameters_test.cpp).

#include <cmath>
#include <cstring>

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
    for (int32 i = 0; i < controller()->getParameterCount(); ++i) {
      ASSERT_EQ(controller()->getParameterInfo(i, info), kResultOk);
      if (info.id == c.id) break;
    }
    ASSERT_EQ(info.id, c.id);
    EXPECT_NEAR(info.defaultNormalizedValue, c.defaultNormalised, 1e-9);
    EXPECT_NEAR(controller()->normalizedParamToPlain(c.id, 0.5), c.plainAtHalf, 1e-9);
    EXPECT_NEAR(controller()->plainParamToNormalized(c.id, c.plainAtHalf), 0.5, 1e-9);
  }
  // Identifiers that are no parameter pass through unchanged or read as 0.
  EXPECT_EQ(controller()->plainParamToNormalized(999, 0.25), 0.25);
  EXPECT_EQ(controller()->getParamNormalized(999), 0.0);
  EXPECT_EQ(controller()->getParamNormalized(0x62706173), 0.0);  // 'bpas': not bypassed
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
