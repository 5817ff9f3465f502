#include "graphics/text_entry_rules.h"

#include "framework/parameter.h"

namespace fluvia {

bool TextEntryAcceptsChar(const IParameter* param, char c) {
  if (!param || c == '\b') return true;
  const bool digitOrSign = (c >= '0' && c <= '9') || c == '+' || c == '-';
  switch (param->Kind()) {
    case ParamKind::Bool:
    case ParamKind::Int:
    case ParamKind::Enum: return digitOrSign;
    case ParamKind::Double: return digitOrSign || c == '.';
    default: return true;
  }
}

}  // namespace fluvia
