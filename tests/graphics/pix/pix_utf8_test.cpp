#include <gtest/gtest.h>

#include <cstring>

#include "graphics/pix/pix_utf8.h"

namespace fluvia {
namespace {

struct Utf8Case {
  const char* bytes;
  unsigned code;
  int length;
};

const Utf8Case kCases[] = {
    {"A", 'A', 1},
    {"\x7f", 0x7f, 1},
    {"\xc3\xa9", 0xe9, 2},              // e acute
    {"\xc2\x80", 0x80, 2},
    {"\xdf\xbf", 0x7ff, 2},
    {"\xe2\x82\xac", 0x20ac, 3},        // euro sign
    {"\xef\xbf\xbf", 0xffff, 3},
    {"\xe0\x80\x80", 0, 3},             // overlong forms are not screened out
    {"\xf0\x9f\x98\x80", ' ', 4},       // beyond 16 bits: a space
    {"\xf4\x8f\xbf\xbf", ' ', 4},
    {"\x80", 0x80, 1},                  // stray continuation byte
    {"\xc1\x81", 0xc1, 1},              // lead below 0xc2
    {"\xc3" "A", 0xc3, 1},              // missing continuation
    {"\xe2\x82" "x", 0xe2, 1},
    {"\xf0\x9f\x98" "x", 0xf0, 1},
    {"\xf5\x80\x80\x80", 0xf5, 1},      // lead above 0xf4
    {"\xff", 0xff, 1},
};

TEST(DecodeUtf8, Table) {
  for (const Utf8Case& c : kCases) {
    unsigned code = 12345;
    const int used = DecodeUtf8(c.bytes, std::strlen(c.bytes), code);
    EXPECT_EQ(used, c.length) << "input byte 0x" << std::hex
                              << static_cast<unsigned>(static_cast<unsigned char>(c.bytes[0]));
    EXPECT_EQ(code, c.code) << "input byte 0x" << std::hex
                            << static_cast<unsigned>(static_cast<unsigned char>(c.bytes[0]));
  }
}

TEST(DecodeUtf8, NeverReadsPastTheAvailableBytes) {
  // A sequence cut short by the length counts as malformed, even if memory goes on.
  const char bytes[] = "\xe2\x82\xac";
  unsigned code = 0;
  EXPECT_EQ(DecodeUtf8(bytes, 2, code), 1);
  EXPECT_EQ(code, 0xe2u);
  EXPECT_EQ(DecodeUtf8(bytes, 0, code), 0);
  EXPECT_EQ(DecodeUtf8(nullptr, 4, code), 0);
}

}  // namespace
}  // namespace fluvia
