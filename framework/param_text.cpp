#include "framework/param_text.h"

#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace fluvia {
namespace {

// `value` with `decimals` decimals, without the locale's separator. Rounding that would show
// "-0" shows "0".
std::string Fixed(double value, int decimals) {
  // Halves round away from zero, as people round ("12.5 %" shows as 13 %).
  const double scale = std::pow(10.0, decimals);
  value = std::round(value * scale) / scale;
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "?";
  return std::string(buffer, result.ptr);
}

// The number `value` shows once rounded to `decimals` decimals.
double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

// The number at the start of `text` (after blanks and an optional "+"), and what follows it.
std::optional<std::pair<double, std::string_view>> SplitNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // A person on a system with a decimal comma types "0,9".
  std::string digits(text);
  if (digits.find('.') == std::string::npos) {
    const size_t comma = digits.find(',');
    if (comma != std::string::npos) digits[comma] = '.';
  }
  double value = 0.0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return std::make_pair(value, text.substr(size_t(result.ptr - digits.data())));
}

}  // namespace

std::string FormatPercent(double percent) { return Fixed(percent, 0) + " %"; }

std::string FormatSeconds(double seconds) {
  const double ms = seconds * 1000.0;
  if (Rounded(ms, 1) < 10.0) return Fixed(ms, 1) + " ms";
  if (Rounded(ms, 0) < 1000.0) return Fixed(ms, 0) + " ms";
  return Fixed(seconds, 2) + " s";
}

std::string FormatHertz(double hertz) {
  if (Rounded(hertz, 0) < 1000.0) return Fixed(hertz, 0) + " Hz";
  return Fixed(hertz / 1000.0, 2) + " kHz";
}

std::optional<double> ParseLeadingNumber(std::string_view text) {
  const auto split = SplitNumber(text);
  if (!split) return std::nullopt;
  return split->first;
}

std::optional<double> ParseQuantity(std::string_view text, ParamUnit unit) {
  const auto split = SplitNumber(text);
  if (!split) return std::nullopt;
  const double number = split->first;
  const std::string suffix = Lower(Trimmed(split->second));
  if (suffix.empty()) return number;
  switch (unit) {
    case ParamUnit::Percent:
      if (suffix == "%") return number;
      break;
    case ParamUnit::Seconds:
      if (suffix == "s" || suffix == "sec") return number;
      if (suffix == "ms") return number / 1000.0;
      break;
    case ParamUnit::Hertz:
      if (suffix == "hz") return number;
      if (suffix == "khz") return number * 1000.0;
      break;
  }
  return std::nullopt;
}

UnitParamText::UnitParamText(ParamUnit unit, double minimum, double maximum, Curve curve)
    : unit_(unit), minimum_(minimum), maximum_(maximum), curve_(std::move(curve)) {}

double UnitParamText::QuantityOf(double value) const {
  if (!(value >= minimum_)) value = minimum_;  // NaN too
  if (value > maximum_) value = maximum_;
  if (curve_) return curve_(value);
  const double range = maximum_ - minimum_;
  return range > 0.0 ? (value - minimum_) / range * 100.0 : 0.0;
}

double UnitParamText::ValueOf(double quantity) const {
  if (!curve_) {
    // Percent of the range: exact.
    const double value = minimum_ + quantity / 100.0 * (maximum_ - minimum_);
    return value < minimum_ ? minimum_ : (value > maximum_ ? maximum_ : value);
  }
  // The curves are monotonic but need not have an inverse in closed form: halve the interval
  // until it is far below the parameters' resolution.
  double low = minimum_, high = maximum_;
  if (!(quantity > QuantityOf(low))) return low;
  if (!(quantity < QuantityOf(high))) return high;
  for (int i = 0; i < 64 && high - low > 1e-12 * (maximum_ - minimum_); ++i) {
    const double middle = 0.5 * (low + high);
    (QuantityOf(middle) < quantity ? low : high) = middle;
  }
  return 0.5 * (low + high);
}

std::string UnitParamText::Format(double value) const {
  const double quantity = QuantityOf(value);
  switch (unit_) {
    case ParamUnit::Percent: return FormatPercent(quantity);
    case ParamUnit::Seconds: return FormatSeconds(quantity);
    case ParamUnit::Hertz: return FormatHertz(quantity);
  }
  return {};
}

std::optional<double> UnitParamText::Parse(std::string_view text) const {
  const auto quantity = ParseQuantity(text, unit_);
  if (!quantity) return std::nullopt;
  return ValueOf(*quantity);
}

}  // namespace fluvia
