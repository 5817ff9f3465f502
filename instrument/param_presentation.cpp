#include "instrument/param_presentation.h"

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/block_coefficients.h"
#include "engine/gate_envelope.h"
#include "framework/param_text.h"
#include "framework/plugin_core.h"
#include "presets/preset_names.h"
#include "presets/preset_numbers.h"

namespace fluvia {
namespace {

// The quantities come from the engine's own formulas, so what a knob shows is what it does
// (the sample rate plays no part in either).
constexpr double kAnyRate = 48000.0;

double CollisionRate(double value) {
  double parameters[kEngineParamCount] = {};
  parameters[kParticlesCollisions] = value;
  return ComputeBlockCoefficients(parameters, kAnyRate).collisionRate;
}

double FadeTime(double value) { return PrepareGateEnvelope(0.0, value, kAnyRate).fadeTime; }

// The preset selector's value is a preset number: it reads as that preset's name.
class PresetNumberText final : public IParamText {
 public:
  explicit PresetNumberText(std::shared_ptr<const PresetNames> names) : names_(std::move(names)) {}

  std::string Format(double value) const override {
    const int number = NumberOf(value);
    if (number <= 0) return kNone;
    const std::string name = names_ ? names_->NameOf(number) : std::string();
    if (!name.empty()) return name;
    const std::string fixed = LibraryPresetName(number);
    return fixed.empty() ? std::string("No preset") : fixed + " (no file)";
  }

  std::optional<double> Parse(std::string_view text) const override {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text == kNone) return 0.0;
    if (names_) {
      if (const auto number = names_->NumberOf(text)) return double(*number);
    }
    const auto number = ParseLeadingNumber(text);
    if (!number) return std::nullopt;
    return std::trunc(*number + 0.5);
  }

 private:
  static constexpr const char* kNone = "None";
  static int NumberOf(double value) {
    const double rounded = std::trunc(value + 0.5);
    return rounded >= -1.0 && rounded <= 10000.0 ? int(rounded) : 0;
  }
  std::shared_ptr<const PresetNames> names_;
};

std::shared_ptr<const IParamText> TextRuleFor(int index, const IParameter& param,
                                              const std::shared_ptr<const PresetNames>& names) {
  switch (index) {
    case kParticlesCollisions:
      return std::make_shared<UnitParamText>(ParamUnit::Hertz, param.Minimum(), param.Maximum(),
                                             CollisionRate);
    case kAmpFadeInOut:
      return std::make_shared<UnitParamText>(ParamUnit::Seconds, param.Minimum(),
                                             param.Maximum(), FadeTime);
    case kPresetSelector:
      return std::make_shared<PresetNumberText>(names);
    default:
      return std::make_shared<UnitParamText>(ParamUnit::Percent, param.Minimum(), param.Maximum());
  }
}

}  // namespace

void PresentParameters(IPluginCore& core, std::shared_ptr<const PresetNames> names) {
  std::vector<int> order;
  for (const ShownParam& shown : kShownParams) {
    IParameter* param = core.GetParam(shown.index);
    if (!param) continue;
    param->SetDisplayName(shown.label);
    param->SetTextRule(TextRuleFor(shown.index, *param, names));
    order.push_back(shown.index);
  }
  for (int i = 0; i < core.NumParams(); ++i) {
    if (ShownLabel(i)) continue;
    core.GetParam(i)->SetHidden(true);
    order.push_back(i);
  }
  core.SetParamListOrder(order);
}

}  // namespace fluvia
