#pragma once
// Copies a text into a buffer the host owns, never writing more than `bytes` bytes and always
// terminating it: a longer text is cut short. A null buffer or a zero size writes nothing.

#include <cstddef>
#include <cstring>
#include <string>

namespace fluvia {

inline void CopyToHost(char* buffer, size_t bytes, const char* text) {
  if (!buffer || bytes == 0) return;
  const size_t length = text ? strnlen(text, bytes - 1) : 0;
  if (length) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

inline void CopyToHost(char* buffer, size_t bytes, const std::string& text) {
  CopyToHost(buffer, bytes, text.c_str());
}

}  // namespace fluvia
