#pragma once
// Builds PNG files in memory with libpng's writer, so the decoder tests need no binary fixtures.

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

namespace fluvia {
namespace testing {

struct PngSpec {
  int width = 1;
  int height = 1;
  int colourType = PNG_COLOR_TYPE_RGBA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::vector<std::uint8_t>> rows;  // raw PNG row bytes (16-bit values big-endian)
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;           // tRNS for palette images
  bool hasTransparentColour = false;            // tRNS for grey and RGB images
  png_color_16 transparentColour{};
  bool headerOnly = false;                      // stop after the IHDR chunk
};

inline void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
inline void NoFlush(png_structp) {}

inline std::vector<std::uint8_t> EncodePng(const PngSpec& image) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), image.bitDepth, image.colourType,
               image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!image.palette.empty()) {
    png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
  }
  if (!image.paletteAlpha.empty()) {
    png_set_tRNS(png, info, image.paletteAlpha.data(), static_cast<int>(image.paletteAlpha.size()),
                 nullptr);
  }
  if (image.hasTransparentColour) {
    png_color_16 colour = image.transparentColour;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  if (!image.headerOnly) {
    std::vector<png_bytep> rows;
    for (const auto& row : image.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace testing
}  // namespace fluvia
