#pragma once
// The application icon as a PNG file embedded in the program (for the window manager; the
// desktop's own copies are installed beside the desktop entry).

#include <cstddef>

namespace fluvia::app {

extern const unsigned char kAppIconPng[];
extern const std::size_t kAppIconPngSize;

}  // namespace fluvia::app
