#include "framework/parameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace fluvia {
namespace {

IParameter Unit(double step = 0.00001) {
  IParameter p;
  p.InitRange("AmpMainVolume", 0.75, 0.0, 1.0, step);
  return p;
}

TEST(ParameterTest, InitRangeWidensDegenerateRangesAndDerivesPrecision) {
  struct Case {
    double minimum, maximum, step;
    double expectedMaximum;
    int precision;
  };
  const Case cases[] = {
      {1.0, 1.0, 0.00001, 1.00001, 5},   // single-point engine range
      {0.0, 0.0, 0.00001, 0.00001, 5},
      {0.0, 1.0, 0.25, 1.0, 2},
      {0.0, 10.0, 1.0, 10.0, 0},
      {0.0, 1.0, 1.0 / 3.0, 1.0, 6},     // never becomes integral: stops at 6
      {5.0, 2.0, 1.0, 6.0, 0},           // maximum below minimum + step
  };
  for (const Case& c : cases) {
    IParameter p;
    p.InitRange("p", c.minimum, c.minimum, c.maximum, c.step);
    EXPECT_DOUBLE_EQ(p.Maximum(), c.expectedMaximum) << c.minimum << ".." << c.maximum;
    EXPECT_EQ(p.DisplayPrecision(), c.precision) << "step " << c.step;
    EXPECT_EQ(p.Kind(), ParamKind::Double);
  }
}

TEST(ParameterTest, InitRangeKeepsPreviousShapeForZeroAndStoresDefaultUnclamped) {
  IParameter p;
  p.InitRange("p", 7.0, 0.0, 1.0, 0.1, "", "", 0.0);
  EXPECT_EQ(p.Shape(), 1.0);
  EXPECT_EQ(p.Value(), 7.0);  // the default is stored as given
  EXPECT_EQ(p.DefaultValue(), 7.0);
}

TEST(ParameterTest, NormalisedMappingEndsAndOutOfRange) {
  IParameter selector;
  selector.InitRange("PresetSelector", 0.0, -1.0, 10000.0, 0.00001);
  selector.SetFromNormalised(0.5);
  EXPECT_DOUBLE_EQ(selector.Value(), 4999.5);
  selector.SetFromNormalised(1.0);
  EXPECT_EQ(selector.Value(), 10000.0);
  selector.SetFromNormalised(1.5);
  EXPECT_EQ(selector.Value(), 10000.0);
  selector.SetFromNormalised(0.0);
  EXPECT_EQ(selector.Value(), -1.0);
  selector.SetFromNormalised(-0.5);  // no lower clamp on the plain mapping
  EXPECT_LT(selector.Value(), -1.0);

  EXPECT_EQ(selector.ToNormalised(-50.0), 0.0);
  EXPECT_EQ(selector.ToNormalised(1e9), 1.0);
}

TEST(ParameterTest, NanAndInfinityHaveDefinedResults) {
  IParameter p = Unit();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  p.SetFromNormalised(nan);
  EXPECT_EQ(p.Value(), 0.75);
  p.SetValue(nan);
  EXPECT_EQ(p.Value(), 0.75);
  p.SetValue(inf);
  EXPECT_EQ(p.Value(), 1.0);
  p.SetValue(-inf);
  EXPECT_EQ(p.Value(), 0.0);
  p.SetFromNormalised(inf);
  EXPECT_EQ(p.Value(), 1.0);
  EXPECT_EQ(p.ToNormalised(nan), 0.0);
}

TEST(ParameterTest, NonDoubleKindsRoundToTheStep) {
  IParameter p;
  p.SetKind(ParamKind::Int);
  p.InitRange("i", 0.0, 0.0, 10.0, 1.0);
  p.SetFromNormalised(0.34);
  EXPECT_EQ(p.Value(), 3.0);
}

TEST(ParameterTest, FormatsWithPrecisionValueTextsAndNegation) {
  IParameter volume = Unit();
  EXPECT_EQ(volume.FormatValue(), "0.75000");
  EXPECT_EQ(volume.FormatNormalised(0.5), "0.50000");

  IParameter whole;
  whole.InitRange("w", -2.7, -10.0, 10.0, 1.0, "dB");
  EXPECT_EQ(whole.FormatValue(), "-2");  // truncation toward zero
  whole.SetNegateDisplay(true);
  EXPECT_EQ(whole.FormatValue(), "2");

  whole.AddValueText(-2, "");     // an empty text falls through to the number
  whole.AddValueText(-2, "low");  // a later entry for the same value is never reached
  EXPECT_EQ(whole.FormatValue(), "2");
  EXPECT_STREQ(whole.UnitLabel(), "dB");
  whole.AddValueText(5, "five");
  whole.SetValue(5.4);
  EXPECT_EQ(whole.FormatValue(), "five");
  EXPECT_STREQ(whole.UnitLabel(), "");

  IParameter selector;
  selector.InitRange("PresetSelector", 10000.0, -1.0, 10000.0, 0.00001);
  EXPECT_EQ(selector.FormatValue(), "10000.00000");  // the longest text, eleven characters
}

TEST(ParameterTest, NamesAreCutToThirtyOneCharacters) {
  IParameter p;
  p.InitRange("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 0.0, 0.0, 1.0, 0.1);
  EXPECT_EQ(std::string(p.Name()).size(), 31u);
}

}  // namespace
}  // namespace fluvia
