#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "graphics/pix/pix_image_resource.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

struct ImageSize {
  int id;
  const char* fileName;
  int width;  // large set; the small set is exactly half
  int height;
};

const ImageSize kImages[] = {
    {101, "va_background_0003.png", 2000, 2000},
    {102, "va_panel_header_0002.png", 1000, 60},
    {103, "va_button_preset_backward_0001.png", 40, 50},
    {104, "va_button_preset_forward_0001.png", 40, 50},
    {105, "va_button_preset_load_0001.png", 80, 50},
    {106, "va_button_preset_save_0001.png", 80, 50},
    {107, "va_knob_0029.png", 160, 4640},
    {108, "va_knob_0032.png", 160, 4640},
    {109, "va_knob_0033_blue.png", 100, 2320},
    {110, "va_knob_0034_blue.png", 100, 2320},
    {111, "va_knob_0036.png", 160, 4640},
    {112, "va_knob_0037.png", 160, 4640},
    {113, "va_knob_0038.png", 160, 4640},
    {114, "va_knob_0039.png", 160, 4640},
    {115, "va_knob_0040.png", 160, 4640},
    {116, "va_panel_mask_0001_blue.png", 1000, 1000},
    {117, "va_panel_fluvia_0001.png", 900, 720},
};

const ArtworkSet kSets[] = {ArtworkSet::Large, ArtworkSet::Small};

TEST(PixArtwork, EveryImageDecodesAtTheSizeOfItsSet) {
  for (ArtworkSet set : kSets) {
    const int divisor = set == ArtworkSet::Large ? 1 : 2;
    for (const ImageSize& image : kImages) {
      const ImageResource* resource = FindImageResource(set, image.id);
      ASSERT_NE(resource, nullptr) << image.fileName;
      EXPECT_STREQ(resource->fileName, image.fileName);
      std::unique_ptr<PixMemBitmap> bitmap(LoadPngResource(set, image.id));
      ASSERT_NE(bitmap, nullptr) << image.fileName;
      EXPECT_EQ(bitmap->Width(), image.width / divisor) << image.fileName;
      EXPECT_EQ(bitmap->Height(), image.height / divisor) << image.fileName;
    }
  }
}

TEST(PixArtwork, UnknownIdsGiveNothing) {
  for (ArtworkSet set : kSets) {
    for (int id : {0, -1, 100, 118, 1 << 30}) {
      EXPECT_EQ(FindImageResource(set, id), nullptr);
      EXPECT_EQ(LoadPngResource(set, id), nullptr);
    }
  }
}

// Frame 1 is the knob at value 0, frame 29 at value 1: a strip that does not turn would show a
// frozen knob.
TEST(PixArtwork, KnobStripsTurn) {
  for (ArtworkSet set : kSets) {
    for (int id = 107; id <= 115; ++id) {
      std::unique_ptr<PixMemBitmap> strip(LoadPngResource(set, id));
      ASSERT_NE(strip, nullptr);
      const int frameHeight = strip->Height() / 29;
      ASSERT_EQ(frameHeight * 29, strip->Height());
      auto frame = [&](int n) { return strip->Pixels() + (n - 1) * frameHeight * strip->RowSpan(); };
      const std::size_t bytes = static_cast<std::size_t>(frameHeight) * strip->RowSpan() * 4;
      EXPECT_NE(std::memcmp(frame(1), frame(29), bytes), 0) << id;
      EXPECT_NE(std::memcmp(frame(14), frame(15), bytes), 0) << id;
      // The corners of a round knob are see-through, so the panel shows around it.
      EXPECT_EQ(frame(1)[0] >> 24, 0u) << id;
    }
  }
}

TEST(PixArtwork, DecodedImagesAreCountedInBytesInUse) {
  const std::size_t before = PixMemBitmapBytesInUse();
  std::unique_ptr<PixMemBitmap> backdrop(LoadPngResource(ArtworkSet::Small, 101));
  ASSERT_NE(backdrop, nullptr);
  EXPECT_GE(PixMemBitmapBytesInUse() - before, 1000u * 1000 * 4);
}

}  // namespace
}  // namespace fluvia
