#include "graphics/control.h"

#include <cmath>

#include "framework/parameter.h"
#include "framework/plugin_core.h"
#include "graphics/graphics.h"
#include "graphics/text_control.h"

namespace fluvia {

IControl::IControl(IPluginCore& plugin, const IBounds& rect, int paramIdx, const IBlendMode& blend)
    : plugin_(plugin), rect_(rect), targetRect_(rect), paramIdx_(paramIdx), blend_(blend) {}

IControl::~IControl() = default;

IGraphics* IControl::Graphics() const { return dynamic_cast<IGraphics*>(plugin_.Editor()); }

IParameter* IControl::Param() const { return plugin_.GetParam(paramIdx_); }

void IControl::OnMouseDown(int, int, const IMouseKeys& keys) {
  if (keys.right) PromptUserInput();
}

void IControl::OnMouseUp(int, int, const IMouseKeys&) {}

void IControl::OnMouseDrag(int, int, int, int, const IMouseKeys&) {}

void IControl::OnMouseDblClick(int, int, const IMouseKeys&) {
  if (defaultValue_ >= 0.0) {
    value_ = defaultValue_;
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int, int, const IMouseKeys&, int) {}

bool IControl::OnKeyDown(int, int, int) { return false; }

void IControl::OnMouseOver(int, int, const IMouseKeys&) {}

void IControl::OnMouseOut() {}

void IControl::SetValueFromPlug(double value) {
  // The first value the plug-in reports is the one a double-click brings back.
  if (defaultValue_ < 0.0) defaultValue_ = value;
  if (value_ != value) {
    value_ = value;
    SetDirty(false);
    redraw_ = true;
  }
}

void IControl::SetValueFromUserInput(double value) {
  if (value_ != value) {
    value_ = value;
    SetDirty(true);
    redraw_ = true;
  }
}

void IControl::TextFromTextEntry(const char*) {}

void IControl::Hide(bool hide) {
  hidden_ = hide;
  redraw_ = true;
  SetDirty(false);
}

void IControl::GrayOut(bool gray) {
  greyed_ = gray;
  blend_.weight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) const { return targetRect_.Contains(x, y); }

void IControl::SetDirty(bool push) {
  if (std::isnan(value_)) value_ = clampLow_;
  if (value_ < clampLow_) value_ = clampLow_;
  if (value_ > clampHigh_) value_ = clampHigh_;
  FlagDirty();
  if (!push || paramIdx_ < 0) return;
  IParameter* param = Param();
  if (!param) return;
  plugin_.SetParamFromEditor(paramIdx_, value_);
  if (valueDisplay_) {
    std::string text = param->FormatValue().substr(0, 32);
    text += ' ';
    text += std::string(param->UnitLabel()).substr(0, 32);
    valueDisplay_->SetTextFromPlug(text.c_str());
  }
  if (nameDisplay_) nameDisplay_->SetTextFromPlug(param->Name());
}

void IControl::SetClean() {
  dirty_.store(redraw_, std::memory_order_relaxed);
  redraw_ = false;
}

bool IControl::IsDirty() { return dirty_.load(std::memory_order_relaxed); }

void IControl::SetAuxParamValueFromPlug(int auxIndex, double value) {
  if (auxIndex < 0 || auxIndex >= NumAuxParams()) return;
  AuxParam& aux = auxParams_[size_t(auxIndex)];
  if (aux.value != value) {
    aux.value = value;
    SetDirty(false);
    redraw_ = true;
  }
}

void IControl::AddAuxParam(int paramIdx) { auxParams_.push_back({0.0, paramIdx}); }

const IControl::AuxParam* IControl::GetAuxParam(int auxIndex) const {
  return (auxIndex >= 0 && auxIndex < NumAuxParams()) ? &auxParams_[size_t(auxIndex)] : nullptr;
}

int IControl::AuxParamIdx(int paramIdx) const {
  for (int i = 0; i < NumAuxParams(); ++i) {
    if (auxParams_[size_t(i)].paramIdx == paramIdx) return i;
  }
  return -1;
}

void IControl::PromptUserInput() {
  IParameter* param = Param();
  if (!param || promptDisabled_) return;
  IGraphics* graphics = Graphics();
  if (!graphics) return;
  IBounds box = rect_;
  if (param->ValueTexts().empty()) {
    const int cx = int((rect_.left + rect_.right) * 0.5);
    const int cy = int((rect_.top + rect_.bottom) * 0.5);
    box = IBounds(cx - 20, cy - 8, cx + 20, cy + 8);
  }
  graphics->PromptUserInput(*this, *param, box);
  redraw_ = true;
}

}  // namespace fluvia
