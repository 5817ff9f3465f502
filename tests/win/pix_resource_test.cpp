// The artwork as module resources of type "PNG", numbers 101 to 117, in a Windows module that
// carries one set (here the large one), and the Wine check of the text layer.
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
  std::unique_ptr<PixMemBitmap> backdrop(LoadPngResource(ArtworkSet::Large, 101));
  ASSERT_NE(backdrop, nullptr);
  EXPECT_EQ(backdrop->Width(), 2000);  // the large set's backdrop
}

TEST(PixResources, IdsWithoutAResourceGiveNothing) {
  for (int id : {0, 100, 118, -5, 70000}) {
    std::unique_ptr<PixMemBitmap> image(LoadPngResource(ArtworkSet::Large, id));
    EXPECT_EQ(image, nullptr) << id;
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
