#pragma once

#include <cstddef>

namespace fluvia {

// Decodes one character from at most `available` bytes and returns how many bytes it used (0
// only when available is 0). Malformed input never fails: a byte that does not start a valid
// sequence stands for itself, which shows Latin-1 text sensibly. 4-byte characters, which the
// glyph tables cannot hold, come out as a space.
int DecodeUtf8(const char* bytes, std::size_t available, unsigned& code);

}  // namespace fluvia
