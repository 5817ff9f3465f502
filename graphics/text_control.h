#pragma once
// ITextControl: a line of text in the control's text style, such as the preset name.

#include <atomic>
#include <mutex>
#include <string>

#include "graphics/control.h"

namespace fluvia {

class ITextControl : public IControl {
 public:
  ITextControl(IPluginCore& plugin, const IBounds& rect, const ITextStyle& style,
               const char* text = "");
  ~ITextControl() override;

  bool Draw(IGraphics& graphics) override;

  // Replaces the text and flags a redraw when it differs. May be called from any thread (a
  // preset loaded by the host shows its name while the editor draws).
  void SetTextFromPlug(const char* text);
  std::string Text() const;
  // A mark drawn after the text (" *": the preset was changed since it was loaded). Safe on
  // any thread, the audio thread too: it neither allocates nor waits.
  static constexpr const char* kMark = " *";
  void SetMarked(bool marked);
  bool Marked() const { return marked_.load(std::memory_order_relaxed); }
  // The text as drawn, with the mark when it is set.
  std::string ShownText() const;

 private:
  mutable std::mutex textLock_;  // a leaf lock: held only to copy or replace the text
  std::string text_;
  std::atomic<bool> marked_{false};
};

}  // namespace fluvia
