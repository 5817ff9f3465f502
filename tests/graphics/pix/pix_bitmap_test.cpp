#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_sys_bitmap.h"

namespace fluvia {
namespace {

bool Aligned64(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 64 == 0; }

TEST(PixMemBitmap, RowsArePaddedAndPixelsAligned) {
  PixMemBitmap bitmap(5, 3);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.RowSpan(), 8);
  EXPECT_TRUE(Aligned64(bitmap.Pixels()));
  EXPECT_EQ(bitmap.AllocatedBytes(), 3u * 8 * 4);
  EXPECT_FALSE(bitmap.IsFlipped());
  EXPECT_EQ(bitmap.DeviceContext(), nullptr);
  EXPECT_EQ(bitmap.Extended(0x59555678, nullptr), 0);
  // Every pixel of the padded rows is writable.
  for (int i = 0; i < 3 * 8; ++i) bitmap.Pixels()[i] = 0xffffffffu;
}

TEST(PixMemBitmap, GrowsByAQuarterAndKeepsItsBlockWhenShrinking) {
  PixMemBitmap bitmap(4, 4);
  EXPECT_EQ(bitmap.AllocatedBytes(), 64u);
  EXPECT_FALSE(bitmap.Resize(4, 4));
  EXPECT_TRUE(bitmap.Resize(8, 4));  // needs 128 bytes
  EXPECT_EQ(bitmap.AllocatedBytes(), 160u);
  EXPECT_TRUE(Aligned64(bitmap.Pixels()));
  EXPECT_TRUE(bitmap.Resize(9, 3));  // 3 rows of 12: 144 still fits
  EXPECT_EQ(bitmap.AllocatedBytes(), 160u);
  EXPECT_EQ(bitmap.RowSpan(), 12);
  EXPECT_TRUE(bitmap.Resize(2, 2));
  EXPECT_EQ(bitmap.AllocatedBytes(), 160u);
  EXPECT_EQ(bitmap.Width(), 2);
}

TEST(PixMemBitmap, ZeroNegativeOrHugeSizesLeaveItEmpty) {
  for (const auto& size : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4},
                           std::pair{1 << 20, 1 << 20}, std::pair{0x7fffffff, 0x7fffffff}}) {
    PixMemBitmap bitmap(3, 3);
    EXPECT_TRUE(bitmap.Resize(size.first, size.second));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.AllocatedBytes(), 0u);
  }
}

TEST(PixMemBitmap, BytesInUseFollowsLiveBitmaps) {
  const std::size_t before = PixMemBitmapBytesInUse();
  auto bitmap = std::make_unique<PixMemBitmap>(100, 10);
  EXPECT_EQ(PixMemBitmapBytesInUse() - before, 100u * 10 * 4);
  bitmap->Resize(200, 10);
  EXPECT_EQ(PixMemBitmapBytesInUse() - before, bitmap->AllocatedBytes());
  bitmap.reset();
  EXPECT_EQ(PixMemBitmapBytesInUse(), before);
}

TEST(PixSysBitmap, ReusesItsAllocationUntilItMustGrow) {
  PixSysBitmap bitmap;
  EXPECT_EQ(bitmap.Pixels(), nullptr);
  EXPECT_TRUE(bitmap.Resize(10, 10));
  EXPECT_EQ(bitmap.RowSpan(), 12);
  EXPECT_TRUE(Aligned64(bitmap.Pixels()));
  std::uint32_t* const first = bitmap.Pixels();
  EXPECT_FALSE(bitmap.Resize(10, 10));
  EXPECT_TRUE(bitmap.Resize(5, 7));
  EXPECT_EQ(bitmap.Pixels(), first);
  EXPECT_EQ(bitmap.RowSpan(), 12);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_TRUE(bitmap.Resize(21, 7));
  EXPECT_EQ(bitmap.RowSpan(), 24);
  EXPECT_EQ(bitmap.Width(), 21);
  bitmap.Pixels()[24 * 7 - 1] = 1;  // the last padded pixel exists
  EXPECT_TRUE(bitmap.Resize(-1, 1 << 30));
  EXPECT_EQ(bitmap.Width(), 0);
}

}  // namespace
}  // namespace fluvia
