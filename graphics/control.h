#pragma once
// IControl: one rectangular element of the editor. It draws itself through the editor's
// drawing primitives, reacts to the mouse and keys the editor dispatches to it and may be
// bound to one plug-in parameter, whose normalised value (0..1) it shows and changes.
//
// The order of the virtual operations is part of the control contract: derived classes of
// other subsystems (the preset selector) rely on it, so new operations go at the end.

#include <atomic>
#include <string>
#include <vector>

#include "graphics/bounds.h"
#include "graphics/draw_records.h"

namespace fluvia {

class IGraphics;
class IParameter;
class IPluginCore;
class ITextControl;

class IControl {
 public:
  struct AuxParam {
    double value = 0.0;
    int paramIdx = -1;
  };

  IControl(IPluginCore& plugin, const IBounds& rect, int paramIdx = -1,
           const IBlendMode& blend = IBlendMode());
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual ~IControl();                                                               // 0
  // The base opens a value prompt on a right-click (when prompting is enabled).
  virtual void OnMouseDown(int x, int y, const IMouseKeys& keys);                    // 1
  virtual void OnMouseUp(int x, int y, const IMouseKeys& keys);                      // 2
  virtual void OnMouseDrag(int x, int y, int dx, int dy, const IMouseKeys& keys);    // 3
  // The base restores the default value once one is known.
  virtual void OnMouseDblClick(int x, int y, const IMouseKeys& keys);                // 4
  virtual void OnMouseWheel(int x, int y, const IMouseKeys& keys, int notches);      // 5
  virtual bool OnKeyDown(int x, int y, int key);                                     // 6
  virtual void OnMouseOver(int x, int y, const IMouseKeys& keys);                    // 7
  virtual void OnMouseOut();                                                         // 8
  virtual bool Draw(IGraphics& graphics) = 0;                                        // 9
  virtual void SetValueFromPlug(double value);                                       // 10
  virtual void SetValueFromUserInput(double value);                                  // 11
  virtual void TextFromTextEntry(const char* text);                                  // 12
  virtual void Hide(bool hide);                                                      // 13
  virtual void GrayOut(bool gray);                                                   // 14
  virtual bool IsHit(int x, int y) const;                                            // 15
  // Clamps the value and flags a redraw; with push the value also goes to the plug-in.
  virtual void SetDirty(bool push);                                                  // 16
  virtual void SetClean();                                                           // 17
  virtual bool IsDirty();                                                            // 18
  virtual void Reserved19() {}                                                       // 19
  virtual void SetAuxParamValueFromPlug(int auxIndex, double value);                 // 20

  // ---- Fields -----------------------------------------------------------------------------
  IPluginCore& Plugin() const { return plugin_; }
  // The plug-in's editor once the plug-in owns it; null before.
  IGraphics* Graphics() const;

  const IBounds& Rect() const { return rect_; }
  const IBounds& TargetRect() const { return targetRect_; }
  void SetTargetRect(const IBounds& rect) { targetRect_ = rect; }
  // Moves the control (drawing and hit area alike), e.g. when the editor changes size, and
  // flags a redraw.
  void SetRect(const IBounds& rect) {
    rect_ = targetRect_ = rect;
    FlagDirty();
  }
  int ParamIdx() const { return paramIdx_; }
  IParameter* Param() const;

  double Value() const { return value_; }
  void SetValue(double value) { value_ = value; }
  double DefaultValue() const { return defaultValue_; }
  void SetDefaultValue(double value) { defaultValue_ = value; }
  void Clamp(double low, double high) { clampLow_ = low, clampHigh_ = high; }

  int NumAuxParams() const { return static_cast<int>(auxParams_.size()); }
  void AddAuxParam(int paramIdx);
  const AuxParam* GetAuxParam(int auxIndex) const;
  // Position of the first auxiliary entry bound to that parameter, or -1.
  int AuxParamIdx(int paramIdx) const;

  bool IsHidden() const { return hidden_; }
  bool IsGrayed() const { return greyed_; }
  bool Redraw() const { return redraw_; }
  void SetRedraw() { redraw_ = true; }
  bool PromptDisabled() const { return promptDisabled_; }
  void DisablePrompt(bool disable) { promptDisabled_ = disable; }
  bool DblAsSingleClick() const { return dblAsSingleClick_; }
  void SetDblAsSingleClick(bool on) { dblAsSingleClick_ = on; }
  bool MOWhenGrayed() const { return mouseOverWhenGreyed_; }
  void SetMOWhenGrayed(bool on) { mouseOverWhenGreyed_ = on; }

  const IBlendMode& Blend() const { return blend_; }
  const ITextStyle& TextStyle() const { return textStyle_; }
  void SetTextStyle(const ITextStyle& style) { textStyle_ = style; }
  int TextEntryLength() const { return textEntryLength_; }
  void SetTextEntryLength(int length) { textEntryLength_ = length; }

  void SetValueDisplayControl(ITextControl* control) { valueDisplay_ = control; }
  void SetNameDisplayControl(ITextControl* control) { nameDisplay_ = control; }
  const std::string& Tooltip() const { return tooltip_; }
  void SetTooltip(const char* text) { tooltip_ = text ? text : ""; }

 protected:
  // Flags a redraw without touching the value; safe to call from any thread.
  void FlagDirty() { dirty_.store(true, std::memory_order_relaxed); }
  // Right-click value prompt: a menu over the control for list parameters, a small text box
  // in its middle for the others.
  void PromptUserInput();

  int textEntryLength_ = 7;
  ITextStyle textStyle_;
  IPluginCore& plugin_;
  IBounds rect_;
  IBounds targetRect_;
  int paramIdx_ = -1;
  std::vector<AuxParam> auxParams_;
  double value_ = 0.0;
  double defaultValue_ = -1.0;
  double clampLow_ = 0.0;
  double clampHigh_ = 1.0;
  // Atomic because a text display may be flagged from the thread that loads a preset while
  // the editor thread polls it.
  std::atomic<bool> dirty_{true};
  bool hidden_ = false;
  bool greyed_ = false;
  bool redraw_ = false;
  bool promptDisabled_ = true;
  bool dblAsSingleClick_ = false;
  bool mouseOverWhenGreyed_ = false;
  IBlendMode blend_;
  ITextControl* valueDisplay_ = nullptr;
  ITextControl* nameDisplay_ = nullptr;
  std::string tooltip_;
};

}  // namespace fluvia
