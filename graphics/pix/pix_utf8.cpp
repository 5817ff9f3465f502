#include "graphics/pix/pix_utf8.h"

namespace fluvia {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xc0u) == 0x80u; }

// True when the `count` bytes after the lead exist and are all continuation bytes.
bool HasContinuations(const unsigned char* s, std::size_t available, int count) {
  if (available <= static_cast<std::size_t>(count)) return false;
  for (int i = 1; i <= count; ++i) {
    if (!IsContinuation(s[i])) return false;
  }
  return true;
}

}  // namespace

int DecodeUtf8(const char* bytes, std::size_t available, unsigned& code) {
  if (bytes == nullptr || available == 0) {
    code = 0;
    return 0;
  }
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned lead = s[0];
  code = lead;
  if (lead < 0xc2u) return 1;
  if (lead <= 0xdfu) {
    if (!HasContinuations(s, available, 1)) return 1;
    code = ((lead & 0x1fu) << 6) | (s[1] & 0x3fu);
    return 2;
  }
  if (lead <= 0xefu) {
    if (!HasContinuations(s, available, 2)) return 1;
    code = ((lead & 0x0fu) << 12) | ((s[1] & 0x3fu) << 6) | (s[2] & 0x3fu);
    return 3;
  }
  if (lead <= 0xf4u) {
    if (!HasContinuations(s, available, 3)) return 1;
    code = 32;  // outside the 16-bit glyph tables
    return 4;
  }
  return 1;
}

}  // namespace fluvia
