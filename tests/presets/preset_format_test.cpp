#include "presets/preset_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace fluvia {
namespace {

constexpr const char* kWorkedExample =
    "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
    "<AmpFadeInOut>0.3</AmpFadeInOut><AmpMainVolume>0.75</AmpMainVolume>"
    "<ContainerDamping>0</ContainerDamping><ContainerSize>0.1</ContainerSize>"
    "<ParticlesCollisions>0.25</ParticlesCollisions><ParticlesMassSpread>0.5</ParticlesMassSpread>"
    "<ParticlesWeightVelocityRatio>0.5</ParticlesWeightVelocityRatio>"
    "<SoundfieldAmt>0</SoundfieldAmt><SystemEnergyAmt>0.3</SystemEnergyAmt>";

double Single(double x) { return double(static_cast<float>(x)); }

TEST(PresetFormat, DefaultsGiveTheWorkedExampleByteForByte) {
  const std::string text = PresetFileText({0.3, 0.75, 0, 0.1, 0.25, 0.5, 0.5, 0, 0.3});
  EXPECT_EQ(text, kWorkedExample);
  EXPECT_EQ(text.size(), 447u);
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

TEST(PresetFormat, StoredParametersAreTheNineSoundParametersInFileOrder) {
  std::string order;
  for (const auto& p : StoredPresetParams()) order += std::string(p.tag) + ":" + std::to_string(p.index) + " ";
  EXPECT_EQ(order,
            "AmpFadeInOut:0 AmpMainVolume:1 ContainerDamping:2 ContainerSize:3 "
            "ParticlesCollisions:9 ParticlesMassSpread:10 ParticlesWeightVelocityRatio:11 "
            "SoundfieldAmt:17 SystemEnergyAmt:18 ");
}

TEST(PresetFormat, ValueTextIsPercentGWithThreeExponentDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.75, "0.75"},          {0.123456789, "0.123457"}, {1.0, "1"},
      {0.0, "0"},              {0.5, "0.5"},              {0.0001, "0.0001"},
      {0.00001, "1e-005"},     {0.00001234, "1.234e-005"}, {1.5e-7, "1.5e-007"},
      {0.99999999, "1"},       {0.000099999, "9.9999e-005"},
      {0.00009999999, "0.0001"},  // rounding to six digits decides the notation
      {1234567.0, "1.23457e+006"}, {1e-300, "1e-300"},  {-0.25, "-0.25"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPresetValue(c.value), c.text) << c.value;
}

// printf's "%g" is the reference; only its exponent width differs between C libraries.
std::string PrintfWithThreeDigitExponent(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  std::string text = buffer;
  const size_t e = text.find('e');
  if (e != std::string::npos) {
    while (text.size() - (e + 2) < 3) text.insert(e + 2, "0");
  }
  return text;
}

TEST(PresetFormat, ValueTextMatchesPrintfOverManyValues) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 0);
  for (int i = 0; i < 20000; ++i) {
    const double value = unit(random) * std::pow(10.0, exponent(random));
    ASSERT_EQ(FormatPresetValue(value), PrintfWithThreeDigitExponent(value)) << value;
  }
}

TEST(PresetFormat, LeadingDecimalIsReadLikeStrtodInTheCLocale) {
  const struct {
    const char* text;
    double value;
  } numbers[] = {
      {"0.5", 0.5},    {" 0.5 ", 0.5},      {"\n\t\r 0.25", 0.25}, {"0.5abc", 0.5},
      {"+0.25", 0.25}, {"-0.5", -0.5},      {".5", 0.5},           {"5.", 5.0},
      {"1e-3", 0.001}, {"1E2", 100.0},      {"1e", 1.0},           {"1e+", 1.0},
      {"2e-x", 2.0},   {"0x10", 0.0},       {"00.125", 0.125},     {"1.5.5", 1.5},
      {"7</Other>", 7.0},
  };
  for (const auto& c : numbers) {
    const auto parsed = ParseLeadingDecimal(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.value) << c.text;
  }
  // No digits, forms strtod would take but the format does not, and numbers beyond double.
  for (const char* text : {"", " ", "abc", ".", "+", "-.e5", "nan", "inf", "-infinity", "NAN(1)",
                           "1e400", "-1e400", "1e-400", "e5"}) {
    EXPECT_FALSE(ParseLeadingDecimal(text).has_value()) << text;
  }
}

TEST(PresetFormat, ParsedValuesGoThroughSinglePrecision) {
  const std::string text = PresetFileText({0.123456789, 1e-5, 1, 0, 0.3, 0.1, 0.7, 0.9, 1.0 / 3});
  const PresetValues values = ParsePresetText(text);
  const double expected[] = {Single(0.123457), Single(1e-5), 1, 0,  Single(0.3),
                             Single(0.1),     Single(0.7),  Single(0.9), Single(0.333333)};
  for (size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(values[i].has_value()) << i;
    EXPECT_EQ(*values[i], expected[i]) << i;
  }

  // Beyond the float range the value is infinite (and later clamps to the range ends).
  const PresetValues huge = ParsePresetText("<AmpMainVolume>1e39</AmpMainVolume>"
                                            "<AmpFadeInOut>-1e39</AmpFadeInOut>");
  EXPECT_EQ(*huge[1], std::numeric_limits<double>::infinity());
  EXPECT_EQ(*huge[0], -std::numeric_limits<double>::infinity());
}

TEST(PresetFormat, ElementsAreFoundAnywhereInAnyOrderAndFirstOneWins) {
  const PresetValues values = ParsePresetText(
      "<Company>Someone Else</Company><Product>Other</Product><Version>9</Version>\r\n"
      "<SystemEnergyAmt>0.5</SystemEnergyAmt> junk <ModStochasticAmt>0.2</ModStochasticAmt>\n"
      "<AmpFadeInOut>\n  0.25\n</AmpFadeInOut>"
      "<SystemEnergyAmt>0.9</SystemEnergyAmt>"   // repeated: ignored
      "<ContainerSize>0.5abc</ContainerSize>"    // garbage after the number
      "<ContainerDamping></ContainerDamping>"    // empty: no number
      "<SoundfieldAmt>x</SoundfieldAmt>"         // letters: no number
      "<AmpMainVolume>0.5");                     // no closing tag
  EXPECT_EQ(values[0], Single(0.25));
  EXPECT_FALSE(values[1].has_value());
  EXPECT_FALSE(values[2].has_value());
  EXPECT_EQ(values[3], 0.5);
  EXPECT_FALSE(values[4].has_value());
  EXPECT_FALSE(values[7].has_value());
  EXPECT_EQ(values[8], 0.5);
}

TEST(PresetFormat, ClosingTagBeforeOpeningTagReadsToTheEnd) {
  const PresetValues values =
      ParsePresetText("</ContainerSize><ContainerSize>0.75</Nothing></ContainerSize2");
  EXPECT_EQ(values[3], 0.75);
  EXPECT_FALSE(ParsePresetText("</ContainerSize><ContainerSize>")[3].has_value());
}

TEST(PresetFormat, BlankTextIsOnlyWhiteSpace) {
  EXPECT_TRUE(IsBlankPresetText(""));
  EXPECT_TRUE(IsBlankPresetText(" \r\n\t\n"));
  EXPECT_FALSE(IsBlankPresetText("\n x"));
}

TEST(PresetDisplayName, FoldersAndExtensionAreDroppedAndLongNamesCut) {
  const std::string forty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
  const struct {
    std::string path;
    std::string name;
  } cases[] = {
      {"/p/Presets/User/USR - Fluvia User Preset 001.fluviapreset", "USR - Fluvia User Preset 001"},
      {"C:\\Users\\Public\\Documents\\My.Sound.fluviapreset", "My.Sound"},
      {"mixed/sep\\name.x", "name"},
      {"no extension", "no extension"},
      {"dotted.folder/plain", "plain"},
      {"/p/Presets/", ""},
      {".hidden", ""},
      {"", ""},
      {forty + ".fluviapreset", forty.substr(0, 35) + "..."},
      {forty.substr(0, 35) + ".fluviapreset", forty.substr(0, 35)},
      {forty.substr(0, 36), forty.substr(0, 35) + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(PresetDisplayName(c.path), c.name) << c.path;
}

TEST(PresetDisplayName, CutsWholeCharactersOfUtf8Names) {
  std::string umlauts;  // 40 two-byte characters
  for (int i = 0; i < 40; ++i) umlauts += "\xC3\xBC";
  EXPECT_EQ(PresetDisplayName("/x/" + umlauts + ".fluviapreset"), umlauts.substr(0, 70) + "...");
  EXPECT_EQ(PresetDisplayName(umlauts.substr(0, 70)), umlauts.substr(0, 70));

  // Not UTF-8 (a single-byte code page): every byte is a character.
  const std::string latin1(40, '\xFC');
  EXPECT_EQ(PresetDisplayName(latin1), latin1.substr(0, 35) + "...");
}

}  // namespace
}  // namespace fluvia
