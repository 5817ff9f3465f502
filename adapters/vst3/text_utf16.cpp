#include "adapters/vst3/text_utf16.h"

namespace fluvia {

void WidenText(const char* text, Steinberg::char16* out, int capacity) {
  if (!out || capacity <= 0) return;
  int i = 0;
  if (text) {
    for (; i < capacity - 1 && text[i] != '\0'; ++i) {
      out[i] = static_cast<Steinberg::char16>(static_cast<unsigned char>(text[i]));
    }
  }
  out[i] = 0;
  out[capacity - 1] = 0;
}

std::string NarrowText(const Steinberg::char16* text, int capacity, int maxChars) {
  std::string result;
  if (!text) return result;
  const int limit = capacity < maxChars ? capacity : maxChars;
  for (int i = 0; i < limit && text[i] != 0; ++i) {
    result.push_back(static_cast<char>(text[i] & 0xFF));
  }
  return result;
}

}  // namespace fluvia
