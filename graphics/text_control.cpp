#include "graphics/text_control.h"

#include "graphics/graphics.h"

namespace fluvia {

ITextControl::ITextControl(IPluginCore& plugin, const IBounds& rect, const ITextStyle& style,
                           const char* text)
    : IControl(plugin, rect, -1), text_(text ? text : "") {
  textStyle_ = style;
}

ITextControl::~ITextControl() = default;

bool ITextControl::Draw(IGraphics& graphics) {
  const std::string text = ShownText();
  if (text.empty()) return true;
  IBounds rect = rect_;
  return graphics.DrawIText(textStyle_, text.c_str(), rect);
}

void ITextControl::SetTextFromPlug(const char* text) {
  const char* value = text ? text : "";
  {
    std::lock_guard<std::mutex> guard(textLock_);
    if (text_ == value) return;
    text_ = value;
  }
  FlagDirty();
}

std::string ITextControl::Text() const {
  std::lock_guard<std::mutex> guard(textLock_);
  return text_;
}

void ITextControl::SetMarked(bool marked) {
  if (marked_.exchange(marked, std::memory_order_relaxed) != marked) FlagDirty();
}

std::string ITextControl::ShownText() const {
  std::string text = Text();
  if (Marked() && !text.empty()) text += kMark;
  return text;
}

}  // namespace fluvia
