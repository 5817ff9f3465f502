#include "presets/preset_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "engine/engine_params.h"

namespace fluvia {
namespace {

constexpr std::array<StoredPresetParam, kStoredPresetParamCount> kStoredParams = {{
    {"AmpFadeInOut", kAmpFadeInOut},
    {"AmpMainVolume", kAmpMainVolume},
    {"ContainerDamping", kContainerDamping},
    {"ContainerSize", kContainerSize},
    {"ParticlesCollisions", kParticlesCollisions},
    {"ParticlesMassSpread", kParticlesMassSpread},
    {"ParticlesWeightVelocityRatio", kParticlesWeightVelocityRatio},
    {"SoundfieldAmt", kSoundfieldAmt},
    {"SystemEnergyAmt", kSystemEnergyAmt},
}};

constexpr std::size_t kDisplayNameChars = 35;

// White space as isspace sees it in the "C" locale; the process locale must not matter.
bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The nearest single-precision value, widened again. Magnitudes beyond the float range
// become infinite (a plain cast would be undefined there).
double ThroughSinglePrecision(double value) {
  constexpr double kFloatMax = double(std::numeric_limits<float>::max());
  if (value > kFloatMax) return std::numeric_limits<double>::infinity();
  if (value < -kFloatMax) return -std::numeric_limits<double>::infinity();
  return double(static_cast<float>(value));
}

// Length of the UTF-8 sequence that starts with lead byte c, or 0 when c cannot start one.
std::size_t Utf8SequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

// Byte offsets at which the characters of a valid UTF-8 text start, or nothing when the text
// is not UTF-8 (a file name in a single-byte code page: then every byte is one character).
std::optional<std::size_t> Utf8PrefixBytes(std::string_view text, std::size_t characters) {
  std::size_t pos = 0;
  std::size_t count = 0;
  std::size_t cut = text.size();
  while (pos < text.size()) {
    if (count == characters) cut = pos;
    const std::size_t len = Utf8SequenceLength(static_cast<unsigned char>(text[pos]));
    if (len == 0 || pos + len > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) return std::nullopt;
    }
    pos += len;
    ++count;
  }
  return count > characters ? cut : text.size();
}

}  // namespace

const std::array<StoredPresetParam, kStoredPresetParamCount>& StoredPresetParams() {
  return kStoredParams;
}

std::string FormatPresetValue(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);

  // to_chars writes at least two exponent digits, like printf on most systems; the file
  // format has three, so that files written anywhere are identical.
  const std::size_t e = text.find('e');
  if (e != std::string::npos && e + 1 < text.size()) {
    const std::size_t digits = e + 2;  // after the sign
    const std::size_t count = text.size() - digits;
    if (count < 3) text.insert(digits, 3 - count, '0');
  }
  return text;
}

std::string PresetFileText(const std::array<double, kStoredPresetParamCount>& values) {
  std::string text = kPresetFileHeader;
  for (std::size_t i = 0; i < kStoredParams.size(); ++i) {
    const std::string tag = kStoredParams[i].tag;
    text += "<" + tag + ">";
    text += FormatPresetValue(values[i]);
    text += "</" + tag + ">";
  }
  return text;
}

std::optional<double> ParseLeadingDecimal(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsCSpace(text[pos])) ++pos;

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t numberStart = pos;
  std::size_t digits = 0;
  while (pos < text.size() && IsDigit(text[pos])) ++pos, ++digits;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos, ++digits;
  }
  if (digits == 0) return std::nullopt;

  // An exponent counts only with at least one digit; "1e" and "1e+" are the number 1.
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t exp = pos + 1;
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    if (exp < text.size() && IsDigit(text[exp])) {
      while (exp < text.size() && IsDigit(text[exp])) ++exp;
      pos = exp;
    }
  }

  // The sign was consumed above: from_chars takes no "+" and the scan already fixed the end.
  double magnitude = 0.0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + pos;
  const auto result = std::from_chars(first, last, magnitude, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return negative ? -magnitude : magnitude;
}

PresetValues ParsePresetText(std::string_view text) {
  PresetValues values;
  for (std::size_t i = 0; i < kStoredParams.size(); ++i) {
    const std::string tag = kStoredParams[i].tag;
    const std::string open = "<" + tag + ">";
    const std::string close = "</" + tag + ">";
    const std::size_t openPos = text.find(open);
    const std::size_t closePos = text.find(close);
    if (openPos == std::string_view::npos || closePos == std::string_view::npos) continue;

    // A closing tag before the opening one leaves the value text open to the end.
    const std::size_t valueStart = openPos + open.size();
    const std::size_t valueEnd = closePos >= valueStart ? closePos : text.size();
    const auto number = ParseLeadingDecimal(text.substr(valueStart, valueEnd - valueStart));
    if (number) values[i] = ThroughSinglePrecision(*number);
  }
  return values;
}

bool IsBlankPresetText(std::string_view text) {
  for (char c : text) {
    if (!IsCSpace(c)) return false;
  }
  return true;
}

bool IsStoredPresetParam(int index) {
  for (const StoredPresetParam& param : StoredPresetParams()) {
    if (param.index == index) return true;
  }
  return false;
}

std::string PresetDisplayName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);

  // Count characters, not bytes, in UTF-8 names so that a cut never splits one.
  const std::size_t keep = Utf8PrefixBytes(name, kDisplayNameChars)
                               .value_or(std::min(name.size(), kDisplayNameChars));
  if (keep >= name.size()) return std::string(name);
  return std::string(name.substr(0, keep)) + "...";
}

}  // namespace fluvia
