#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

std::uint32_t& At(PixBitmap& b, int x, int y) { return b.Pixels()[y * b.RowSpan() + x]; }

struct BlitCase {
  const char* name;
  unsigned mode;
  float weight;
  std::uint32_t source;
  std::uint32_t dest;
  std::uint32_t expected;
};

// Expected values worked out by hand from the integer formulas of each mode.
const BlitCase kBlitCases[] = {
    {"copy-alpha transparent leaves dest", 0x10000, 1.0f, 0x00ff0000, 0x80102030, 0x80102030},
    {"copy-alpha opaque replaces", 0x10000, 1.0f, 0xff112233, 0x00445566, 0xff112233},
    {"copy-alpha half alpha", 0x10000, 1.0f, 0x80ff0000, 0x40000080, 0xc081003f},
    {"copy-alpha at weight 0.5", 0x10000, 0.5f, 0x80ff0000, 0x40000080, 0x80400060},
    {"copy-alpha weight 0.5 transparent", 0x10000, 0.5f, 0x00ffffff, 0x12345678, 0x12345678},
    {"add saturates", 1, 1.0f, 0x10f08040, 0x20204080, 0x30ffc0c0},
    {"add at weight 0.5", 1, 0.5f, 0x10f08040, 0x20204080, 0x289880a0},
    {"add-alpha", 0x10001, 1.0f, 0x80804020, 0x10101010, 0x50503020},
    {"add-alpha transparent", 0x10001, 1.0f, 0x00ffffff, 0x10101010, 0x10101010},
    {"dodge-alpha", 0x10002, 1.0f, 0xff808080, 0x40204060, 0xff4080c0},
    {"dodge-alpha transparent", 0x10002, 1.0f, 0x00ffffff, 0x40204060, 0x40204060},
    {"copy at weight 1", 0, 1.0f, 0x12345678, 0xffffffff, 0x12345678},
    {"copy at weight 0.5 averages bytes", 0, 0.5f, 0xff804020, 0x01030507, 0x7f412213},
    {"copy at weight 0.25", 0, 0.25f, 0xff804020, 0x01030507, 0x4123140e},
    {"channel copy red to alpha", PixChannelCopyMode(2, 3), 1.0f, 0x00ab0000, 0x11223344,
     0xab223344},
    {"channel copy blue to green", PixChannelCopyMode(0, 1), 0.3f, 0x000000cd, 0x11223344,
     0x1122cd44},
    {"weight above 1 counts as 1", 0x10000, 7.0f, 0xff112233, 0x00445566, 0xff112233},
    {"unused mode draws nothing", 0x10004, 1.0f, 0xff112233, 0x00445566, 0x00445566},
};

TEST(PixBlit, ModesGiveExactPixels) {
  for (const BlitCase& c : kBlitCases) {
    PixMemBitmap src(1, 1), dest(1, 1);
    At(src, 0, 0) = c.source;
    At(dest, 0, 0) = c.dest;
    PixBlit(&dest, &src, 0, 0, nullptr, c.weight, c.mode);
    EXPECT_EQ(At(dest, 0, 0), c.expected) << c.name << std::hex << " got 0x" << At(dest, 0, 0);
  }
}

TEST(PixBlit, ZeroOrNanWeightDrawsNothing) {
  PixMemBitmap src(2, 2), dest(2, 2);
  At(src, 0, 0) = 0xffffffff;
  At(dest, 0, 0) = 0x01020304;
  for (unsigned mode : {0u, 1u, 0x10000u, 0xf4u}) {
    PixBlit(&dest, &src, 0, 0, nullptr, 0.0f, mode);
    PixBlit(&dest, &src, 0, 0, nullptr, __builtin_nanf(""), mode);
    EXPECT_EQ(At(dest, 0, 0), 0x01020304u) << mode;
  }
}

// A 4x4 source whose pixels name their own position, and a cleared 6x6 destination.
class PixBlitClip : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) At(src, x, y) = Tag(x, y);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) At(dest, x, y) = 0;
  }
  static std::uint32_t Tag(int x, int y) { return 0xff000000u | static_cast<unsigned>(y * 16 + x + 1); }
  int Touched() {
    int n = 0;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) n += At(dest, x, y) != 0;
    return n;
  }
  PixMemBitmap src{4, 4};
  PixMemBitmap dest{6, 6};
};

TEST_F(PixBlitClip, NegativeDestinationSkipsSourcePixels) {
  PixBlit(&dest, &src, -1, -2, nullptr, 1.0f, 0);
  EXPECT_EQ(At(dest, 0, 0), Tag(1, 2));
  EXPECT_EQ(At(dest, 2, 1), Tag(3, 3));
  EXPECT_EQ(Touched(), 3 * 2);
}

TEST_F(PixBlitClip, NegativeSourceRectangleMovesDestination) {
  const PixRect part{-2, -1, 3, 3};
  PixBlit(&dest, &src, 1, 1, &part, 1.0f, 0x10000);
  EXPECT_EQ(At(dest, 3, 2), Tag(0, 0));
  EXPECT_EQ(At(dest, 5, 4), Tag(2, 2));
  EXPECT_EQ(Touched(), 3 * 3);
}

TEST_F(PixBlitClip, SourceRectangleIsCutToTheSource) {
  const PixRect part{2, 2, 100, 100};
  PixBlit(&dest, &src, 0, 0, &part, 1.0f, 0);
  EXPECT_EQ(At(dest, 0, 0), Tag(2, 2));
  EXPECT_EQ(At(dest, 1, 1), Tag(3, 3));
  EXPECT_EQ(Touched(), 4);
}

TEST_F(PixBlitClip, CutToTheDestination) {
  PixBlit(&dest, &src, 4, 5, nullptr, 1.0f, 1);
  EXPECT_EQ(At(dest, 5, 5), Tag(1, 0));
  EXPECT_EQ(Touched(), 2);
}

TEST_F(PixBlitClip, SourceWhollyOutsideDrawsNothing) {
  const PixRect beyond{5, 0, 9, 4};
  const PixRect inverted{3, 3, 1, 1};
  const PixRect extreme{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  PixBlit(&dest, &src, -4, 0, nullptr, 1.0f, 0);  // entirely left of the destination
  PixBlit(&dest, &src, 0, -4, nullptr, 1.0f, 0);  // entirely above
  PixBlit(&dest, &src, 6, 0, nullptr, 1.0f, 0);   // right of it
  PixBlit(&dest, &src, INT_MIN, INT_MAX, nullptr, 1.0f, 0);
  PixBlit(&dest, &src, 0, 0, &beyond, 1.0f, 0);
  PixBlit(&dest, &src, 0, 0, &inverted, 1.0f, 0);
  EXPECT_EQ(Touched(), 0);
  PixBlit(&dest, &src, INT_MAX, INT_MAX, &extreme, 1.0f, 0);
  EXPECT_EQ(Touched(), 0);
}

TEST_F(PixBlitClip, EmptyBitmapsAreHarmless) {
  PixMemBitmap empty;
  PixBlit(&dest, &empty, 0, 0, nullptr, 1.0f, 0);
  PixBlit(&empty, &src, 0, 0, nullptr, 1.0f, 0);
  PixBlit(&dest, nullptr, 0, 0, nullptr, 1.0f, 0);
  PixFillRect(&empty, 0, 0, 5, 5, 0xffffffff, 1.0f, 0);
  EXPECT_EQ(Touched(), 0);
}

struct FillCase {
  const char* name;
  unsigned mode;
  float weight;
  std::uint32_t colour;
  std::uint32_t expected;  // over the destination pixel 0x40204060
};

const FillCase kFillCases[] = {
    {"weight 1 writes the colour", 0, 1.0f, 0x80112233, 0x80112233},
    {"w 128 averages", 0, 0.5f, 0xff804020, 0x9f504040},
    {"w 64 is three quarters pixel", 0, 0.25f, 0xff804020, 0x6f384050},
    {"w 192 is three quarters colour", 0, 0.75f, 0xff804020, 0xce684030},
    {"other weights mix", 0, 0.375f, 0xff804020, 0x4c444048},
    {"dark panel: alpha 140 black", 0x10000, 1.0f, 0x8c000000, 0x6a0e1d2b},
    {"transparent colour with alpha", 0x10000, 1.0f, 0x00ffffff, 0x40204060},
    {"add saturates", 1, 1.0f, 0x10f08040, 0x50ffc0a0},
};

TEST(PixFillRect, ModesGiveExactPixels) {
  for (const FillCase& c : kFillCases) {
    PixMemBitmap dest(1, 1);
    At(dest, 0, 0) = 0x40204060;
    PixFillRect(&dest, 0, 0, 1, 1, c.colour, c.weight, c.mode);
    EXPECT_EQ(At(dest, 0, 0), c.expected) << c.name << std::hex << " got 0x" << At(dest, 0, 0);
  }
}

TEST(PixFillRect, ClipsToTheBitmap) {
  PixMemBitmap dest(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At(dest, x, y) = 0;
  PixFillRect(&dest, -2, -1, 4, 3, 0xffffffff, 1.0f, 0);  // covers (0..1, 0..1)
  PixFillRect(&dest, 3, 3, INT_MAX, INT_MAX, 0xff0000ff, 1.0f, 0);
  PixFillRect(&dest, 1, 1, 0, 5, 0xffff0000, 1.0f, 0);
  PixFillRect(&dest, 1, 1, 2, -5, 0xffff0000, 1.0f, 0);
  PixFillRect(&dest, INT_MIN, INT_MIN, 3, 3, 0xffff0000, 1.0f, 0);
  int white = 0, blue = 0, other = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const std::uint32_t p = At(dest, x, y);
      white += p == 0xffffffff;
      blue += p == 0xff0000ff;
      other += p != 0 && p != 0xffffffff && p != 0xff0000ff;
    }
  EXPECT_EQ(white, 4);
  EXPECT_EQ(At(dest, 1, 1), 0xffffffffu);
  EXPECT_EQ(blue, 1);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace fluvia
