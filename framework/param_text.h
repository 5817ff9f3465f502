#pragma once
// How a parameter's value reads in words ("75 %", "900 ms", "2.76 kHz") and how a text a
// person typed turns back into a value. IParameter uses a rule of this kind when the plug-in
// gave it one, so every host format and the editor show the same text for the same value.
//
// All texts use "." as the decimal separator whatever the process locale (a host may have set
// any); reading also accepts "," when the text has no ".".

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fluvia {

class IParamText {
 public:
  virtual ~IParamText() = default;
  // The text of a real (unnormalised) value.
  virtual std::string Format(double value) const = 0;
  // The real value a text names, not clamped to the range; nothing when it names none.
  virtual std::optional<double> Parse(std::string_view text) const = 0;
};

enum class ParamUnit { Percent, Seconds, Hertz };

// A value shown as a quantity in a unit. The curve maps the parameter's real value onto that
// quantity and must not fall anywhere on [minimum, maximum]; without one, percent runs from 0
// at the minimum to 100 at the maximum. A text is read in the unit shown or a related one
// ("ms" for seconds, "kHz" for hertz); a bare number counts in the unit shown, so a person
// who types "50" for a knob showing "75 %" gets 50 %.
class UnitParamText final : public IParamText {
 public:
  using Curve = std::function<double(double value)>;

  UnitParamText(ParamUnit unit, double minimum, double maximum, Curve curve = nullptr);

  std::string Format(double value) const override;
  std::optional<double> Parse(std::string_view text) const override;

  ParamUnit Unit() const { return unit_; }
  // The quantity a real value shows (the value is held to the range first).
  double QuantityOf(double value) const;
  // The real value in the range whose quantity is nearest to `quantity`.
  double ValueOf(double quantity) const;

 private:
  ParamUnit unit_;
  double minimum_;
  double maximum_;
  Curve curve_;
};

// Texts of quantities: whole percent ("75 %"); milliseconds below one second ("1.4 ms",
// "900 ms") and seconds from there ("2.50 s"); hertz below 1000 ("608 Hz"), kilohertz from
// there ("2.76 kHz").
std::string FormatPercent(double percent);
std::string FormatSeconds(double seconds);
std::string FormatHertz(double hertz);

// "<number> [unit]" with blanks allowed around both parts: the quantity in the base unit of
// `unit` (percent, seconds, hertz). A unit of another kind, anything after it, or no number
// gives nothing.
std::optional<double> ParseQuantity(std::string_view text, ParamUnit unit);

// The leading decimal number of a text as hosts write it: blanks and a "+" may come first,
// whatever follows the number is ignored. Nothing for no number or one that is not finite.
std::optional<double> ParseLeadingNumber(std::string_view text);

}  // namespace fluvia
