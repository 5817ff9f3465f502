#include "adapters/vst3/text_utf16.h"

namespace fluvia {
namespace {

// The code point of the well-formed UTF-8 sequence at text[i] and its length, or length 0
// when the bytes there are not one.
int DecodeUtf8(const char* text, int available, char32_t& code) {
  const auto byte = [&](int k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = byte(0);
  int length = 0;
  if (first >= 0xC2 && first <= 0xDF) length = 2, code = first & 0x1F;
  else if (first >= 0xE0 && first <= 0xEF) length = 3, code = first & 0x0F;
  else if (first >= 0xF0 && first <= 0xF4) length = 4, code = first & 0x07;
  else return 0;
  if (length > available) return 0;
  for (int k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

}  // namespace

void WidenText(const char* text, Steinberg::char16* out, int capacity) {
  if (!out || capacity <= 0) return;
  int o = 0;
  if (text) {
    int length = 0;
    while (text[length] != '\0') ++length;
    for (int i = 0; i < length && o < capacity - 1;) {
      char32_t code = 0;
      const int used = DecodeUtf8(text + i, length - i, code);
      if (used == 0) {
        out[o++] = static_cast<Steinberg::char16>(static_cast<unsigned char>(text[i++]));
      } else if (code < 0x10000) {
        out[o++] = static_cast<Steinberg::char16>(code);
        i += used;
      } else {
        if (o + 2 > capacity - 1) break;  // a surrogate pair is never cut in half
        code -= 0x10000;
        out[o++] = static_cast<Steinberg::char16>(0xD800 + (code >> 10));
        out[o++] = static_cast<Steinberg::char16>(0xDC00 + (code & 0x3FF));
        i += used;
      }
    }
  }
  out[o] = 0;
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

std::string Utf8Text(const Steinberg::char16* text, int capacity) {
  std::string result;
  if (!text) return result;
  for (int i = 0; i < capacity && text[i] != 0; ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < capacity && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;  // a lone surrogate names no character
    }
    AppendUtf8(result, code);
  }
  return result;
}

}  // namespace fluvia
