#pragma once
// The preset file format: one line of tag pairs behind a fixed header, one pair per stored
// parameter. These functions only turn values into text and text into values; reading and
// writing files and applying values to the instrument live in the preset library.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fluvia {

// The nine sound-shaping parameters a preset stores, in file order.
struct StoredPresetParam {
  const char* tag;  // the parameter's name, used as the element name
  int index;        // the instrument's parameter number
};
inline constexpr std::size_t kStoredPresetParamCount = 9;
const std::array<StoredPresetParam, kStoredPresetParamCount>& StoredPresetParams();
// Whether a preset stores the instrument's parameter of that number.
bool IsStoredPresetParam(int index);

inline constexpr const char* kPresetExtension = "fluviapreset";
inline constexpr const char* kPresetFileHeader =
    "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>";

// The value text of a stored parameter: "%g" with six significant digits, "." as the decimal
// separator whatever the process locale, and a three-digit exponent ("1e-005") so that files
// are the same bytes on every platform.
std::string FormatPresetValue(double value);

// The whole file content for values given in file order. No line break anywhere.
std::string PresetFileText(const std::array<double, kStoredPresetParamCount>& values);

// The leading decimal number of a value text, like strtod in the "C" locale but without its
// hexadecimal, "inf" and "nan" forms: white space, optional sign, digits with an optional
// fraction, optional exponent. No number, or one beyond the double range, gives nothing.
std::optional<double> ParseLeadingDecimal(std::string_view text);

// What a preset text holds, in file order: the value of each stored parameter after the trip
// through single precision, or nothing where the element is missing or holds no number.
// Values are not clamped here.
using PresetValues = std::array<std::optional<double>, kStoredPresetParamCount>;
PresetValues ParsePresetText(std::string_view text);

// A text with nothing but white space (or nothing at all) holds no preset.
bool IsBlankPresetText(std::string_view text);

// The name a preset file is shown under, from its path alone: no folders, no extension, cut
// to 35 characters plus "..." when longer.
std::string PresetDisplayName(std::string_view path);

}  // namespace fluvia
