// The artwork as module resources of type "PNG" in a Windows module that carries both sets
// (the large set as numbers 101 to 117, the small set above them), and the Wine check of the
// text layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "graphics/pix/pix_font_backend.h"
#include "graphics/pix/pix_image_resource.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

TEST(PixResources, EveryArtworkImageIsAPngResourceOfTheModule) {
  for (int id = 101; id <= 117; ++id) {
    EXPECT_NE(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), "PNG"), nullptr)
        << id;
    std::unique_ptr<PixMemBitmap> image(LoadPngResource(ArtworkSet::Large, id));
    ASSERT_NE(image, nullptr) << id;
    EXPECT_GT(image->Width(), 0);
    EXPECT_GT(image->Height(), 0);
  }
  // Each set's own backdrop and knob strip.
  struct Case {
    ArtworkSet set;
    int id;
    int width;
  };
  for (const Case& c : {Case{ArtworkSet::Large, 101, 2000}, Case{ArtworkSet::Small, 101, 1000},
                        Case{ArtworkSet::Large, 109, 100}, Case{ArtworkSet::Small, 109, 50}}) {
    std::unique_ptr<PixMemBitmap> image(LoadPngResource(c.set, c.id));
    ASSERT_NE(image, nullptr) << c.id;
    EXPECT_EQ(image->Width(), c.width) << c.id;
  }
}

TEST(PixResources, IdsWithoutAResourceGiveNothing) {
  for (int id : {0, 100, 118, -5, 70000, 1101}) {
    EXPECT_EQ(std::unique_ptr<PixMemBitmap>(LoadPngResource(ArtworkSet::Large, id)), nullptr) << id;
    EXPECT_EQ(std::unique_ptr<PixMemBitmap>(LoadPngResource(ArtworkSet::Small, id)), nullptr) << id;
  }
}

TEST(PixWine, NativeTextDrawingIsLeftToTheGlyphCacheUnderWine) {
  HKEY key = nullptr;
  const bool wine =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (key) RegCloseKey(key);
  ASSERT_TRUE(wine) << "these tests run under Wine";
  EXPECT_FALSE(pixbackend::NativeDrawingAvailable());
}

}  // namespace
}  // namespace fluvia
