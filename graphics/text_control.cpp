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
  const std::string text = Text();
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

}  // namespace fluvia
