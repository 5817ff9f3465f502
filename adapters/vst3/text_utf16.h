#pragma once
// The host speaks UTF-16; the plug-in's names and display texts are 8-bit: ASCII, and UTF-8 in
// preset names (files may be called anything).

#include <string>

#include "pluginterfaces/base/ftypes.h"

namespace fluvia {

// Writes text into out (capacity code units including the terminator). Well-formed UTF-8
// becomes its characters; any other byte is taken as unsigned, so a Latin-1 byte becomes the
// same code point. The last unit is always 0.
void WidenText(const char* text, Steinberg::char16* out, int capacity);

// Keeps the low byte of each code unit, stopping at the terminator, after maxChars units or at
// capacity, whichever comes first.
std::string NarrowText(const Steinberg::char16* text, int capacity, int maxChars);

// The text as UTF-8, up to the terminator or capacity units (a text a person typed).
std::string Utf8Text(const Steinberg::char16* text, int capacity);

}  // namespace fluvia
