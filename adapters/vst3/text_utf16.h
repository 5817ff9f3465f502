#pragma once
// The host speaks UTF-16; the plug-in's names and display texts are 8-bit. Both directions map
// one byte to one code unit, which is exact for the ASCII texts this plug-in produces.

#include <string>

#include "pluginterfaces/base/ftypes.h"

namespace fluvia {

// Writes text into out (capacity code units including the terminator). Bytes are taken as
// unsigned, so a Latin-1 byte becomes the same code point; the last unit is always 0.
void WidenText(const char* text, Steinberg::char16* out, int capacity);

// Keeps the low byte of each code unit, stopping at the terminator, after maxChars units or at
// capacity, whichever comes first.
std::string NarrowText(const Steinberg::char16* text, int capacity, int maxChars);

}  // namespace fluvia
