// Values the plug-in reports reach the bound controls, from any thread.

#include <gtest/gtest.h>

#include <limits>

#include "framework/parameter.h"
#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

TEST(ParamLink, RealAndNormalisedValuesReachEveryBoundControl) {
  EditorFixture f;
  ProbeControl& tempoA = f.Probe({0, 0, 10, 10}, "a", kHostTempoBpm);
  ProbeControl& tempoB = f.Probe({10, 0, 20, 10}, "b", kHostTempoBpm);
  ProbeControl& other = f.Probe({20, 0, 30, 10}, "c", kAmpMainVolume);
  f.Attach();
  // Attaching reported every parameter's normalised value.
  EXPECT_DOUBLE_EQ(tempoA.Value(), 0.12);
  EXPECT_DOUBLE_EQ(other.Value(), 0.75);
  f.Settle();

  f.graphics.SetParameterFromPlug(kHostTempoBpm, 250.0, false);
  EXPECT_DOUBLE_EQ(tempoA.Value(), 0.25);
  EXPECT_DOUBLE_EQ(tempoB.Value(), 0.25);
  EXPECT_TRUE(tempoA.IsDirty());
  EXPECT_FALSE(other.IsDirty());
  f.graphics.SetParameterFromPlug(kHostTempoBpm, 5000.0, false);  // clamped to the range
  EXPECT_DOUBLE_EQ(tempoA.Value(), 1.0);
  f.graphics.SetParameterFromPlug(kHostTempoBpm, 0.4, true);
  EXPECT_DOUBLE_EQ(tempoB.Value(), 0.4);
  // Nothing reaches the host: values from the plug-in are only shown.
  EXPECT_TRUE(f.plugin.host.events.empty());
}

TEST(ParamLink, UnknownParametersAndNaNChangeNothing) {
  EditorFixture f;
  ProbeControl& probe = f.Probe({0, 0, 10, 10}, "a", kAmpFadeInOut);
  f.Attach();
  f.Settle();
  f.graphics.SetParameterFromPlug(99, 0.5, false);
  f.graphics.SetParameterFromPlug(-1, 0.5, true);
  f.graphics.SetParameterFromPlug(kAmpFadeInOut, std::numeric_limits<double>::quiet_NaN(), true);
  EXPECT_DOUBLE_EQ(probe.Value(), 0.3);
  EXPECT_FALSE(probe.IsDirty());
}

TEST(ParamLink, AuxiliaryBindingsGetTheirOwnValue) {
  EditorFixture f;
  ProbeControl& probe = f.Probe({0, 0, 10, 10}, "a", kAmpFadeInOut);
  probe.AddAuxParam(kContainerSize);
  probe.AddAuxParam(kSoundfieldAmt);
  f.Attach();
  EXPECT_DOUBLE_EQ(probe.GetAuxParam(0)->value, 0.1);
  f.Settle();
  f.graphics.SetParameterFromPlug(kSoundfieldAmt, 0.9, true);
  EXPECT_DOUBLE_EQ(probe.GetAuxParam(1)->value, 0.9);
  EXPECT_DOUBLE_EQ(probe.Value(), 0.3);
  EXPECT_TRUE(probe.IsDirty());
  EXPECT_EQ(probe.AuxParamIdx(kContainerSize), 0);
  EXPECT_EQ(probe.AuxParamIdx(kAmpMainVolume), -1);
}

}  // namespace
}  // namespace fluvia::testing
