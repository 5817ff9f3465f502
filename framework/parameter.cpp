#include "framework/parameter.h"

#include "framework/truncate.h"

#include <cmath>
#include <cstdio>

namespace fluvia {
namespace {

std::string Truncated(const char* text) {
  std::string s = text ? text : "";
  if (s.size() > size_t(IParameter::kTextLength - 1)) s.resize(IParameter::kTextLength - 1);
  return s;
}

}  // namespace

void IParameter::InitRange(const char* name, double defaultValue, double minimum,
                           double maximum, double step, const char* label, const char* group,
                           double shape) {
  if (kind_ == ParamKind::None) kind_ = ParamKind::Double;
  name_ = Truncated(name);
  label_ = Truncated(label);
  group_ = Truncated(group);
  value_.Store(defaultValue);
  minimum_ = minimum;
  maximum_ = (maximum > minimum + step) ? maximum : minimum + step;
  step_ = step;
  defaultValue_ = defaultValue;

  // The number of decimals of the step, at most 6.
  displayPrecision_ = 0;
  for (double s = step; s != std::floor(s) && displayPrecision_ < 6; s *= 10.0) {
    ++displayPrecision_;
  }
  if (shape != 0.0) shape_ = shape;
}

void IParameter::SetValue(double value) {
  if (std::isnan(value)) return;
  if (value < minimum_) value = minimum_;
  else if (value > maximum_) value = maximum_;
  value_.Store(value);
}

void IParameter::SetFromNormalised(double normalised) {
  if (std::isnan(normalised)) return;
  double v = std::pow(normalised, shape_) * (maximum_ - minimum_) + minimum_;
  if (kind_ != ParamKind::Double) v = std::floor(v / step_ + 0.5) * step_;
  // A negative normalised value under a non-integral shape has no real power; keep the value.
  if (std::isnan(v)) return;
  value_.Store((v < maximum_) ? v : maximum_);
}

double IParameter::ToNormalised(double value) const {
  if (std::isnan(value)) value = minimum_;
  if (value < minimum_) value = minimum_;
  else if (value > maximum_) value = maximum_;
  return std::pow((value - minimum_) / (maximum_ - minimum_), 1.0 / shape_);
}

std::string IParameter::FormatValue() const { return FormatReal(Value()); }

std::string IParameter::FormatNormalised(double normalised) const {
  return FormatReal(std::pow(normalised, shape_) * (maximum_ - minimum_) + minimum_);
}

std::string IParameter::FormatReal(double x) const {
  if (textRule_) return textRule_->Format(x);
  if (!valueTexts_.empty()) {
    const char* text = ValueTextFor(TruncateToInt(x));
    if (text && *text) return text;
  }
  if (negateDisplay_) x = -x;
  char buffer[128];
  if (displayPrecision_ == 0) {
    std::snprintf(buffer, sizeof buffer, "%d", TruncateToInt(x));
  } else {
    std::snprintf(buffer, sizeof buffer, "%.*f", displayPrecision_, x);
  }
  return buffer;
}

const char* IParameter::UnitLabel() const {
  const char* text = valueTexts_.empty() ? nullptr : ValueTextFor(TruncateToInt(Value()));
  return (text && *text) ? "" : label_.c_str();
}

std::optional<double> IParameter::ValueFromText(std::string_view text) const {
  if (textRule_) return textRule_->Parse(text);
  if (!valueTexts_.empty()) {
    for (const ValueText& entry : valueTexts_) {
      if (entry.text == text) return double(entry.value);
    }
    return std::nullopt;
  }
  const auto number = ParseLeadingNumber(text);
  if (!number) return std::nullopt;
  return negateDisplay_ ? -*number : *number;
}

void IParameter::SetDisplayName(const char* name) { displayName_ = Truncated(name); }

void IParameter::SetHidden(bool hidden) {
  hidden_ = hidden;
  if (hidden) automatable_ = false;
}

void IParameter::AddValueText(int value, const char* text) {
  valueTexts_.push_back({value, Truncated(text)});
}

const char* IParameter::ValueTextFor(int value) const {
  for (const ValueText& entry : valueTexts_) {
    if (entry.value == value) return entry.text.c_str();
  }
  return nullptr;
}

}  // namespace fluvia
