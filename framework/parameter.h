#pragma once
// One automatable plug-in parameter: its range, its mapping to the host's normalised 0..1 and
// its display text. Only the real value is stored; normalised values are derived on demand.
//
// What a person sees of it is defined here too, once for every host format and the editor:
// the display name (the knob's label), whether it is hidden from the person (no automation,
// read-only where the format can say so) and its value in words (a text rule).
//
// The value is the one field that changes after initialisation, and it is read and written
// from the audio thread and the others alike: an atomic, loaded and stored without ordering
// (what orders a change against others is the plug-in's hand-over, ParamHandOver).

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/param_text.h"

namespace fluvia {

enum class ParamKind : int { None = 0, Bool = 1, Int = 2, Enum = 3, Double = 4 };

struct ValueText {
  int value = 0;
  std::string text;  // at most 31 characters
};

class IParameter {
 public:
  static constexpr int kTextLength = 32;  // name, label and group hold 31 characters at most

  void InitRange(const char* name, double defaultValue, double minimum, double maximum,
                 double step, const char* label = "", const char* group = "",
                 double shape = 1.0);

  // Stores the value clamped to [minimum, maximum]. A NaN is refused and leaves the value
  // as it was, so that a damaged state chunk or preset cannot poison the sound.
  void SetValue(double value);
  // Maps a host or editor value in 0..1 onto the range. Values above 1 give the maximum;
  // values below 0 are not clamped (hosts rely on the plain mapping). NaN leaves the value.
  void SetFromNormalised(double normalised);
  double ToNormalised(double value) const;
  double Normalised() const { return ToNormalised(Value()); }

  // Display text of the current value, or of a value given in normalised form: the text
  // rule's words when there is one, else the number with the display precision.
  std::string FormatValue() const;
  std::string FormatNormalised(double normalised) const;
  const char* UnitLabel() const;
  // The real value a text names (as a person types it into a host or the editor): through the
  // text rule when there is one, else a value text or a decimal number (negated when the
  // display is). Not clamped; nothing when the text names no value.
  std::optional<double> ValueFromText(std::string_view text) const;

  // ---- What a person sees ---------------------------------------------------------------------
  // The name hosts list and the editor shows; the name itself until one is given.
  void SetDisplayName(const char* name);
  const char* DisplayName() const { return displayName_.empty() ? name_.c_str() : displayName_.c_str(); }
  // A hidden parameter is not offered to the person: not automatable and, where the format
  // can say so, read-only and left out of the host's list. Its index, value and place in the
  // saved state stay as they are.
  void SetHidden(bool hidden);
  bool Hidden() const { return hidden_; }
  // The value in words; none: the number.
  void SetTextRule(std::shared_ptr<const IParamText> rule) { textRule_ = std::move(rule); }
  const IParamText* TextRule() const { return textRule_.get(); }

  // Kinds other than Double round to the step; used by the adapters for list parameters.
  void SetKind(ParamKind kind) { kind_ = kind; }
  void AddValueText(int value, const char* text);
  void SetNegateDisplay(bool negate) { negateDisplay_ = negate; }
  void SetAutomatable(bool automatable) { automatable_ = automatable; }

  ParamKind Kind() const { return kind_; }
  double Value() const { return value_.Load(); }
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double Step() const { return step_; }
  double Shape() const { return shape_; }
  double DefaultValue() const { return defaultValue_; }
  int DisplayPrecision() const { return displayPrecision_; }
  const char* Name() const { return name_.c_str(); }
  const char* Label() const { return label_.c_str(); }
  const char* Group() const { return group_.c_str(); }
  bool NegateDisplay() const { return negateDisplay_; }
  bool Automatable() const { return automatable_ && !hidden_; }
  const std::vector<ValueText>& ValueTexts() const { return valueTexts_; }
  // The value text for an integer value, or nullptr when there is none.
  const char* ValueTextFor(int value) const;

 private:
  // The value as an atomic that copies like a plain double: a copied parameter is a new one,
  // which no other thread touches yet.
  class StoredValue {
   public:
    explicit StoredValue(double value) : value_(value) {}
    StoredValue(const StoredValue& other) : value_(other.Load()) {}
    StoredValue& operator=(const StoredValue& other) {
      Store(other.Load());
      return *this;
    }
    double Load() const { return value_.load(std::memory_order_relaxed); }
    void Store(double value) { value_.store(value, std::memory_order_relaxed); }

   private:
    std::atomic<double> value_;
    static_assert(std::atomic<double>::is_always_lock_free, "the audio thread may not wait");
  };

  std::string FormatReal(double x) const;

  ParamKind kind_ = ParamKind::None;
  StoredValue value_{0.0};
  double minimum_ = 0.0;
  double maximum_ = 1.0;
  double step_ = 1.0;
  double shape_ = 1.0;
  double defaultValue_ = 0.0;
  int displayPrecision_ = 0;
  std::string name_;
  std::string label_;
  std::string group_;
  bool negateDisplay_ = false;
  bool automatable_ = true;
  std::vector<ValueText> valueTexts_;
  std::string displayName_;
  bool hidden_ = false;
  std::shared_ptr<const IParamText> textRule_;
};

}  // namespace fluvia
