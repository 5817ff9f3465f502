// The parameters a host sees, as the VST3 module shows them: first the preset selector (a
// program change, 'prst'), then the core's parameters in the order the plug-in lists them,
// with their index as identifier. Names are the display names (the knobs' labels); a hidden
// parameter is hidden and read-only, so hosts neither list nor automate it, while its value
// still travels in the state. Values are plain values, as CLAP has them; the text of a value
// and the value of a text follow the parameter's own rule, as in the VST3 module.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "adapters/clap/extension_tables.h"
#include "adapters/clap/plugin_clap.h"

namespace fluvia {
namespace {

void CopyText(const char* text, char* out, size_t capacity) {
  if (!out || capacity == 0) return;
  std::snprintf(out, capacity, "%s", text ? text : "");
}

// The number at the start of the text (leading blanks allowed, anything after it ignored), as
// the VST3 module reads typed values; false when the text does not start with one.
bool LeadingNumber(const char* text, double& value) {
  char* end = nullptr;
  const double parsed = std::strtod(text, &end);
  if (end == text || std::isnan(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace

uint32_t IPluginCLAP::ParamCount() const {
  return uint32_t(core_->NumParams() + (core_->NumPresets() > 0 ? 1 : 0));
}

bool IPluginCLAP::ParamInfo(uint32_t index, clap::ParamInfo* info) const {
  if (!info || index >= ParamCount()) return false;
  *info = clap::ParamInfo{};
  const bool hasPresets = core_->NumPresets() > 0;
  if (hasPresets && index == 0) {
    // A program change: chosen by value, not automated.
    info->id = kClapPresetParamId;
    info->flags = clap::kParamIsStepped;
    CopyText("Preset", info->name, sizeof info->name);
    info->minValue = 0.0;
    info->maxValue = double(core_->NumPresets());
    info->defaultValue = 0.0;
    return true;
  }
  const int position = int(index) - (hasPresets ? 1 : 0);
  const int paramIndex = core_->ParamListOrder()[size_t(position)];
  const IParameter& param = *core_->GetParam(paramIndex);
  info->id = clap::Id(paramIndex);
  if (param.Hidden()) {
    info->flags = clap::kParamIsHidden | clap::kParamIsReadonly;
  } else {
    info->flags = param.Automatable() ? clap::kParamIsAutomatable : 0;
  }
  if (param.Kind() == ParamKind::Bool || param.Kind() == ParamKind::Enum) {
    info->flags |= clap::kParamIsStepped | clap::kParamIsEnum;
  }
  CopyText(param.DisplayName(), info->name, sizeof info->name);
  CopyText(param.Group(), info->module, sizeof info->module);
  info->minValue = param.Minimum();
  info->maxValue = param.Maximum();
  info->defaultValue = param.DefaultValue();
  return true;
}

bool IPluginCLAP::ParamValue(clap::Id id, double* value) const {
  if (!value) return false;
  // Values and the current preset are atomics: read without waiting for the other threads.
  if (id == kClapPresetParamId && core_->NumPresets() > 0) {
    *value = double(core_->CurrentPreset());
    return true;
  }
  const IParameter* param = id < clap::Id(core_->NumParams()) ? core_->GetParam(int(id)) : nullptr;
  if (!param) return false;
  *value = param->Value();
  return true;
}

bool IPluginCLAP::ValueToText(clap::Id id, double value, char* display, uint32_t size) const {
  if (!display || size == 0) return false;
  if (id == kClapPresetParamId && core_->NumPresets() > 0) {
    const double normalised = value / double(core_->NumPresets());
    if (core_->NumPresets() == 1) {
      CopyText(normalised > 0.5 ? "On" : "Off", display, size);
    } else {
      char text[32];
      std::snprintf(text, sizeof text, "%.4f", std::isfinite(normalised) ? normalised : 0.0);
      CopyText(text, display, size);
    }
    return true;
  }
  const IParameter* param = id < clap::Id(core_->NumParams()) ? core_->GetParam(int(id)) : nullptr;
  if (!param) return false;
  // Out-of-range and non-finite values are shown as the value the parameter would take.
  const std::string text = param->FormatNormalised(param->ToNormalised(value));
  CopyText(text.c_str(), display, size);
  return true;
}

bool IPluginCLAP::TextToValue(clap::Id id, const char* display, double* value) const {
  if (!display || !value) return false;
  double parsed = 0.0;
  if (id == kClapPresetParamId && core_->NumPresets() > 0) {
    // The VST3 module reads the typed number as the selector's normalised value.
    if (!LeadingNumber(display, parsed)) return false;
    const double presets = double(core_->NumPresets());
    *value = std::fmin(std::fmax(parsed * presets, 0.0), presets);
    return true;
  }
  const IParameter* param = id < clap::Id(core_->NumParams()) ? core_->GetParam(int(id)) : nullptr;
  if (!param) return false;
  // The words a person types ("50 %", "2 s", "1.5 kHz", a preset's name), read by the rule
  // that shows the value; CLAP values stay inside the range.
  const std::optional<double> typed = param->ValueFromText(display);
  if (!typed || std::isnan(*typed)) return false;
  *value = std::fmin(std::fmax(*typed, param->Minimum()), param->Maximum());
  return true;
}

const clap::PluginParams kClapParams = {
    [](const clap::Plugin* p) -> uint32_t {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self ? self->ParamCount() : 0;
    },
    [](const clap::Plugin* p, uint32_t index, clap::ParamInfo* info) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->ParamInfo(index, info);
    },
    [](const clap::Plugin* p, clap::Id id, double* value) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->ParamValue(id, value);
    },
    [](const clap::Plugin* p, clap::Id id, double value, char* display, uint32_t size) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->ValueToText(id, value, display, size);
    },
    [](const clap::Plugin* p, clap::Id id, const char* display, double* value) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->TextToValue(id, display, value);
    },
    [](const clap::Plugin* p, const clap::InputEvents* in, const clap::OutputEvents* out) {
      if (IPluginCLAP* self = IPluginCLAP::From(p)) self->Flush(in, out);
    },
};

}  // namespace fluvia
