// Mouse and key dispatch: every event goes to the topmost control under the pointer (the last
// in the list), skipping hidden and greyed ones, unless a control holds the mouse capture.

#include "framework/parameter.h"
#include "framework/plugin_core.h"
#include "graphics/control.h"
#include "graphics/graphics.h"

namespace fluvia {

int IGraphics::FindTarget(int x, int y, bool allowGreyedMouseOver) const {
  for (int i = NumControls() - 1; i >= 0; --i) {
    const IControl& control = *controls_[size_t(i)];
    if (control.IsHidden()) continue;
    if (control.IsGrayed() && !(allowGreyedMouseOver && control.MOWhenGrayed())) continue;
    if (control.IsHit(x, y)) return i;
  }
  return -1;
}

IControl* IGraphics::CapturedOrHit(int x, int y, bool allowGreyedMouseOver) {
  if (IControl* captured = GetControl(mouseCapture_)) return captured;
  return GetControl(FindTarget(x, y, allowGreyedMouseOver));
}

void IGraphics::EndOpenEdit() {
  if (openEditParam_ < 0) return;
  const int param = openEditParam_;
  openEditParam_ = -1;
  plugin_.EndParamEdit(param);
}

void IGraphics::OnMouseDown(int x, int y, const IMouseKeys& keys) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  ResetMouseState();
  // A gesture whose mouse-up never came (a menu or dialog took it) is over now.
  EndOpenEdit();
  if (!notice_.empty()) {
    ShowNotice("");  // the click was for the notice, its release too
    noticeTookPress_ = true;
    return;
  }
  const int target = FindTarget(x, y);
  if (target < 0) return;
  mouseCapture_ = target;
  lastMouseX_ = x;
  lastMouseY_ = y;
  IControl& control = *controls_[size_t(target)];
  const bool hasParam = control.Param() != nullptr;
  if (hasParam && keys.right && plugin_.ApiKind() == PluginApi::VST3 && !control.Param()->Hidden()) {
    // VST3 hosts offer their own parameter menu (automation, MIDI learn) on a right-click;
    // a hidden parameter (a preset button) is not the host's, so the control takes the click.
    mouseCapture_ = -1;
    plugin_.ShowHostParamMenu(control.ParamIdx(), x, y);
    return;
  }
  if (hasParam) {
    openEditParam_ = control.ParamIdx();
    plugin_.BeginParamEdit(openEditParam_);
  }
  control.OnMouseDown(x, y, keys);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseKeys& keys) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  if (noticeTookPress_) {
    noticeTookPress_ = false;
    return;
  }
  IControl* target = CapturedOrHit(x, y);
  mouseCapture_ = -1;
  lastMouseX_ = -1;
  lastMouseY_ = -1;
  if (target) target->OnMouseUp(x, y, keys);
  // The pointer rests where it was released: the next move away from there is a mouse-out.
  if (handleMouseOver_) mouseOver_ = FindTarget(x, y, true);
  // End exactly the edit the mouse-down began: a mouse-up that lands on a parameter control
  // without a preceding begin (the press was elsewhere, or went to the host's menu) must not
  // send the host an unmatched end.
  EndOpenEdit();
}

void IGraphics::OnMouseDrag(int x, int y, int dx, int dy, const IMouseKeys& keys) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  IControl* captured = GetControl(mouseCapture_);
  if (!captured) return;
  lastMouseX_ = x;
  lastMouseY_ = y;
  captured->OnMouseDrag(x, y, dx, dy, keys);
}

bool IGraphics::OnMouseDblClick(int x, int y, const IMouseKeys& keys) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  mouseCapture_ = -1;
  const int target = FindTarget(x, y);
  if (target < 0) return false;
  IControl& control = *controls_[size_t(target)];
  if (!control.DblAsSingleClick()) {
    control.OnMouseDblClick(x, y, keys);
    return false;
  }
  mouseCapture_ = target;
  lastMouseX_ = x;
  lastMouseY_ = y;
  control.OnMouseDown(x, y, keys);
  return true;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseKeys& keys, int notches) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  if (IControl* target = CapturedOrHit(x, y)) target->OnMouseWheel(x, y, keys, notches);
}

bool IGraphics::OnMouseOver(int x, int y, const IMouseKeys& keys) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!handleMouseOver_) return false;
  ApplyPendingValues();
  const int target = GetControl(mouseCapture_) ? mouseCapture_ : FindTarget(x, y, true);
  if (target < 0) return true;
  lastMouseX_ = x;
  lastMouseY_ = y;
  controls_[size_t(target)]->OnMouseOver(x, y, keys);
  if (mouseOver_ != target) {
    if (IControl* previous = GetControl(mouseOver_)) previous->OnMouseOut();
  }
  mouseOver_ = target;
  return true;
}

void IGraphics::OnMouseOut() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  for (const std::unique_ptr<IControl>& control : controls_) control->OnMouseOut();
  mouseOver_ = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  IControl* target = CapturedOrHit(x, y);
  // Keys over the backdrop count as keys over nothing.
  if (!target || target == GetControl(0)) {
    return keyCatcher_ ? keyCatcher_->OnKeyDown(x, y, key) : false;
  }
  return target->OnKeyDown(x, y, key);
}

}  // namespace fluvia
