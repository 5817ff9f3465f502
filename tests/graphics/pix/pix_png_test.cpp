#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"
#include "png_fixture.h"

namespace fluvia {
namespace {

using testing::EncodePng;
using testing::PngSpec;

std::unique_ptr<PixMemBitmap> Decode(const std::vector<std::uint8_t>& bytes) {
  return std::unique_ptr<PixMemBitmap>(PixLoadPngFromMemory(bytes.data(), bytes.size()));
}

std::uint32_t At(const PixBitmap& b, int x, int y) { return b.Pixels()[y * b.RowSpan() + x]; }

PngSpec Rgba2x1() {
  PngSpec png;
  png.width = 2;
  png.rows = {{10, 20, 30, 40, 255, 128, 0, 255}};
  return png;
}

struct FormatCase {
  const char* name;
  PngSpec png;
  std::vector<std::uint32_t> expected;  // row by row
};

std::vector<FormatCase> FormatCases() {
  std::vector<FormatCase> cases;
  cases.push_back({"rgba 8", Rgba2x1(), {0x280a141e, 0xffff8000}});
  {
    PngSpec s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.rows = {{1, 2, 3, 250, 251, 252}};
    cases.push_back({"rgb 8 gets opaque alpha", s, {0xff010203, 0xfffafbfc}});
  }
  {
    PngSpec s;
    s.width = 3;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 4;
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    s.paletteAlpha = {255, 0};  // entry 1 transparent, entry 2 implicitly opaque
    s.rows = {{0x01, 0x20}};    // indices 0, 1, 2
    cases.push_back({"palette 4-bit with tRNS", s, {0xffff0000, 0x0000ff00, 0xff0000ff}});
  }
  {
    PngSpec s;
    s.width = 3;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows = {{0xa0}};  // 1, 0, 1
    cases.push_back({"grey 1-bit", s, {0xffffffff, 0xff000000, 0xffffffff}});
  }
  {
    PngSpec s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.rows = {{7, 9}};
    s.hasTransparentColour = true;
    s.transparentColour.gray = 7;
    cases.push_back({"grey 8 with tRNS", s, {0x00070707, 0xff090909}});
  }
  {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.rows = {{100, 50}};
    cases.push_back({"grey + alpha", s, {0x32646464}});
  }
  {
    PngSpec s;
    s.bitDepth = 16;
    s.rows = {{0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0}};
    cases.push_back({"rgba 16-bit keeps the high bytes", s, {0xde12569a}});
  }
  {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 16;
    s.rows = {{0xab, 0xcd}};
    cases.push_back({"grey 16-bit", s, {0xffababab}});
  }
  {
    // Adam7 spreads a 9x9 image over all seven passes.
    PngSpec s;
    s.width = s.height = 9;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.interlaced = true;
    std::vector<std::uint32_t> expected;
    for (int y = 0; y < 9; ++y) {
      std::vector<std::uint8_t> row;
      for (int x = 0; x < 9; ++x) {
        const auto r = static_cast<std::uint8_t>(x * 20), g = static_cast<std::uint8_t>(y * 20);
        row.insert(row.end(), {r, g, static_cast<std::uint8_t>(x + y)});
        expected.push_back(0xff000000u | (r << 16) | (g << 8) | static_cast<unsigned>(x + y));
      }
      s.rows.push_back(row);
    }
    cases.push_back({"interlaced", s, expected});
  }
  return cases;
}

TEST(PixPng, DecodesEveryColourTypeToArgb) {
  for (const FormatCase& c : FormatCases()) {
    const auto bytes = EncodePng(c.png);
    ASSERT_FALSE(bytes.empty()) << c.name;
    auto bitmap = Decode(bytes);
    ASSERT_NE(bitmap, nullptr) << c.name;
    ASSERT_EQ(bitmap->Width(), c.png.width) << c.name;
    ASSERT_EQ(bitmap->Height(), c.png.height) << c.name;
    for (int y = 0; y < c.png.height; ++y) {
      for (int x = 0; x < c.png.width; ++x) {
        EXPECT_EQ(At(*bitmap, x, y), c.expected[static_cast<std::size_t>(y * c.png.width + x)])
            << c.name << " at " << x << "," << y;
      }
    }
  }
}

TEST(PixPng, RejectsWhatIsNotACompletePng) {
  const auto good = EncodePng(Rgba2x1());
  ASSERT_NE(Decode(good), nullptr);

  EXPECT_EQ(PixLoadPngFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(PixLoadPngFromMemory(good.data(), 7), nullptr);
  const std::string gif = "GIF89a\x01\x00\x01\x00\x80\x00\x00";
  EXPECT_EQ(PixLoadPngFromMemory(gif.data(), gif.size()), nullptr);

  // Cut anywhere: inside the header, inside the image data, just before the end chunk.
  for (std::size_t length : {std::size_t{8}, std::size_t{20}, std::size_t{33}, good.size() / 2,
                             good.size() - 12, good.size() - 1}) {
    EXPECT_EQ(PixLoadPngFromMemory(good.data(), length), nullptr) << length;
  }

  // A damaged byte in the image data fails its checksum.
  auto damaged = good;
  damaged[good.size() - 20] ^= 0x55;
  EXPECT_EQ(Decode(damaged), nullptr);
}

TEST(PixPng, RefusesHeadersThatAskForHugeImages) {
  for (const auto& size : {std::pair{20000, 1}, std::pair{1, 20000}, std::pair{10000, 10000}}) {
    PngSpec png;
    png.width = size.first;
    png.height = size.second;
    png.headerOnly = true;
    const auto bytes = EncodePng(png);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(Decode(bytes), nullptr) << size.first << "x" << size.second;
  }
}

TEST(PixPng, DecodesIntoAGivenBitmap) {
  const auto bytes = EncodePng(Rgba2x1());
  PixMemBitmap target(40, 40);
  EXPECT_EQ(PixLoadPngFromMemory(bytes.data(), bytes.size(), &target), &target);
  EXPECT_EQ(target.Width(), 2);
  EXPECT_EQ(At(target, 1, 0), 0xffff8000u);
  // A failure leaves the caller's bitmap alive (the test would crash under ASan otherwise).
  EXPECT_EQ(PixLoadPngFromMemory(bytes.data(), 20, &target), nullptr);
  target.Resize(3, 3);
}

TEST(PixPng, ExtensionCheck) {
  struct Case {
    const char* path;
    bool png;
  };
  const Case cases[] = {{"a.png", true},        {"A.PNG", true},      {"dir/x.Png", true},
                        {"c:\\art\\x.png", true}, {".png", true},       {"a.pngx", false},
                        {"a.pn", false},        {"png", false},       {"x.png/file", false},
                        {"x.png\\", false},     {"", false},          {nullptr, false}};
  for (const Case& c : cases) EXPECT_EQ(PixHasPngExtension(c.path), c.png) << (c.path ? c.path : "null");
}

TEST(PixPng, LoadsFromFilesWithTheExtensionCheck) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("pix_png_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto bytes = EncodePng(Rgba2x1());
  for (const char* name : {"image.PNG", "image.dat"}) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string png = (dir / "image.PNG").string(), dat = (dir / "image.dat").string();

  std::unique_ptr<PixMemBitmap> loaded(PixLoadPngFromFile(png.c_str(), true));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(At(*loaded, 0, 0), 0x280a141eu);
  EXPECT_EQ(PixLoadPngFromFile(dat.c_str(), true), nullptr);
  loaded.reset(PixLoadPngFromFile(dat.c_str(), false));
  EXPECT_NE(loaded, nullptr);
  EXPECT_EQ(PixLoadPngFromFile((dir / "missing.png").string().c_str(), true), nullptr);
  EXPECT_EQ(PixLoadPngFromFile(dir.string().c_str(), false), nullptr);  // a directory
  EXPECT_EQ(PixLoadPngFromFile(nullptr, false), nullptr);
  EXPECT_STREQ(kPixPngFileTypes, "PNG files (*.PNG)");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace fluvia
