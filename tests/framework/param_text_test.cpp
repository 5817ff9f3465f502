#include "framework/param_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <memory>

#include "framework/parameter.h"

namespace fluvia {
namespace {

TEST(ParamTextTest, QuantitiesReadInWordsAtTheirUnitsBoundaries) {
  const struct {
    ParamUnit unit;
    double quantity;
    const char* text;
  } cases[] = {
      {ParamUnit::Percent, 75.0, "75 %"},
      {ParamUnit::Percent, 0.4, "0 %"},
      {ParamUnit::Percent, -0.4, "0 %"},  // never "-0 %"
      {ParamUnit::Percent, 99.6, "100 %"},
      {ParamUnit::Seconds, 0.001, "1.0 ms"},
      {ParamUnit::Seconds, 0.00144, "1.4 ms"},
      {ParamUnit::Seconds, 0.00996, "10 ms"},  // rounds across to whole milliseconds
      {ParamUnit::Seconds, 0.9, "900 ms"},
      {ParamUnit::Seconds, 0.9996, "1.00 s"},
      {ParamUnit::Seconds, 2.5, "2.50 s"},
      {ParamUnit::Seconds, 10.0, "10.00 s"},
      {ParamUnit::Hertz, 300.0, "300 Hz"},
      {ParamUnit::Hertz, 999.6, "1.00 kHz"},
      {ParamUnit::Hertz, 2763.0, "2.76 kHz"},
      {ParamUnit::Hertz, 20000.0, "20.00 kHz"},
  };
  for (const auto& c : cases) {
    const std::string text = c.unit == ParamUnit::Percent   ? FormatPercent(c.quantity)
                             : c.unit == ParamUnit::Seconds ? FormatSeconds(c.quantity)
                                                            : FormatHertz(c.quantity);
    EXPECT_EQ(text, c.text) << c.quantity;
  }
}

TEST(ParamTextTest, TextReadsInTheUnitShownOrARelatedOneAndNothingElse) {
  const struct {
    const char* text;
    ParamUnit unit;
    double quantity;  // NAN: no value
  } cases[] = {
      {"50", ParamUnit::Percent, 50.0},
      {" 50 % ", ParamUnit::Percent, 50.0},
      {"+12.5%", ParamUnit::Percent, 12.5},
      {"0,9 s", ParamUnit::Seconds, 0.9},  // a decimal comma
      {"900 ms", ParamUnit::Seconds, 0.9},
      {"2 SEC", ParamUnit::Seconds, 2.0},
      {"2 kHz", ParamUnit::Hertz, 2000.0},
      {"608hz", ParamUnit::Hertz, 608.0},
      {"5 Hz", ParamUnit::Percent, NAN},
      {"50 %x", ParamUnit::Percent, NAN},
      {"loud", ParamUnit::Percent, NAN},
      {"", ParamUnit::Seconds, NAN},
      {"nan", ParamUnit::Seconds, NAN},
      {"inf s", ParamUnit::Seconds, NAN},
      {"1e999", ParamUnit::Hertz, NAN},
  };
  for (const auto& c : cases) {
    const auto value = ParseQuantity(c.text, c.unit);
    if (std::isnan(c.quantity)) {
      EXPECT_FALSE(value.has_value()) << c.text;
    } else {
      ASSERT_TRUE(value.has_value()) << c.text;
      EXPECT_DOUBLE_EQ(*value, c.quantity) << c.text;
    }
  }
}

TEST(ParamTextTest, ACurveShowsItsQuantityAndTextFindsTheValueBack) {
  // A cube law like the collision rate: 300 Hz at 0, 20 kHz at 1.
  UnitParamText rate(ParamUnit::Hertz, 0.0, 1.0, [](double x) { return 300.0 + 19700.0 * x * x * x; });
  EXPECT_EQ(rate.Format(0.0), "300 Hz");
  EXPECT_EQ(rate.Format(1.0), "20.00 kHz");
  EXPECT_EQ(rate.Format(2.0), "20.00 kHz");  // held to the range
  EXPECT_EQ(rate.Format(NAN), "300 Hz");
  EXPECT_NEAR(*rate.Parse("2.76 kHz"), std::cbrt((2760.0 - 300.0) / 19700.0), 1e-9);
  EXPECT_EQ(*rate.Parse("10 Hz"), 0.0);  // below the curve: the minimum
  EXPECT_EQ(*rate.Parse("99 kHz"), 1.0);     // above it: the maximum
  EXPECT_FALSE(rate.Parse("1 MHz").has_value());
}

TEST(ParamTextTest, AParameterWithARuleShowsAndReadsWordsEverywhere) {
  IParameter p;
  p.InitRange("AmpMainVolume", 0.75, 0.0, 1.0, 0.00001);
  EXPECT_EQ(p.FormatValue(), "0.75000");  // no rule: the number
  p.SetTextRule(std::make_shared<UnitParamText>(ParamUnit::Percent, p.Minimum(), p.Maximum()));
  EXPECT_EQ(p.FormatValue(), "75 %");
  EXPECT_EQ(p.FormatNormalised(0.301), "30 %");
  EXPECT_EQ(*p.ValueFromText("50"), 0.5);
  EXPECT_FALSE(p.ValueFromText("half").has_value());
  // Whatever locale the host set, the text keeps its point.
  const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  EXPECT_EQ(*p.ValueFromText("12.5 %"), 0.125);
  EXPECT_EQ(p.FormatNormalised(0.125), "13 %");
  if (german) std::setlocale(LC_NUMERIC, "C");

  // Without a rule text reads as a number, or a value text.
  IParameter plain;
  plain.InitRange("HostTempoBpm", 120.0, 0.0, 1000.0, 0.00001);
  EXPECT_EQ(*plain.ValueFromText(" +133.5 bpm"), 133.5);
  EXPECT_FALSE(plain.ValueFromText("fast").has_value());
  plain.SetNegateDisplay(true);
  EXPECT_EQ(*plain.ValueFromText("2"), -2.0);
  IParameter list;
  list.InitRange("Mode", 0.0, 0.0, 2.0, 1.0);
  list.AddValueText(1, "poly");
  EXPECT_EQ(*list.ValueFromText("poly"), 1.0);
  EXPECT_FALSE(list.ValueFromText("1").has_value());
}

TEST(ParamTextTest, DisplayNameAndHiddenFlagWithoutTouchingValueOrName) {
  IParameter p;
  p.InitRange("ParticlesCollisions", 0.25, 0.0, 1.0, 0.00001);
  EXPECT_STREQ(p.DisplayName(), "ParticlesCollisions");
  EXPECT_TRUE(p.Automatable());
  p.SetDisplayName("Collisions");
  EXPECT_STREQ(p.DisplayName(), "Collisions");
  EXPECT_STREQ(p.Name(), "ParticlesCollisions");
  p.SetHidden(true);
  EXPECT_TRUE(p.Hidden());
  EXPECT_FALSE(p.Automatable());
  p.SetAutomatable(true);  // hidden stays out of automation
  EXPECT_FALSE(p.Automatable());
  EXPECT_EQ(p.Value(), 0.25);
}

}  // namespace
}  // namespace fluvia
