#pragma once
// Window hosts load an image only when its label names a PNG file.

#include <cctype>
#include <cstring>

namespace fluvia {

// Whether the text after the last "." is "png", ignoring case.
inline bool HasPngExtension(const char* fileName) {
  const char* dot = std::strrchr(fileName ? fileName : "", '.');
  if (!dot || std::strlen(dot + 1) != 3) return false;
  return std::tolower(static_cast<unsigned char>(dot[1])) == 'p' &&
         std::tolower(static_cast<unsigned char>(dot[2])) == 'n' &&
         std::tolower(static_cast<unsigned char>(dot[3])) == 'g';
}

}  // namespace fluvia
