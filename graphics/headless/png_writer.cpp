#include "graphics/headless/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_rect.h"

namespace fluvia {
namespace {

// Everything libpng touches after setjmp lives here, set up before it, so a longjmp back
// never skips a destructor.
struct WriteJob {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<png_byte> pixels;     // RGB, all rows
  std::vector<png_bytep> rows;
};

bool Write(WriteJob& job, int width, int height) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_init_io(job.png, job.file);
  png_set_IHDR(job.png, job.info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(job.png, job.info, job.rows.data());
  png_write_png(job.png, job.info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, const PixBitmap& bitmap) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const std::uint32_t* source = bitmap.Pixels();
  if (width <= 0 || height <= 0 || !source) return false;

  WriteJob job;
  job.pixels.resize(size_t(width) * size_t(height) * 3u);
  job.rows.resize(size_t(height));
  for (int y = 0; y < height; ++y) {
    const int sourceRow = bitmap.IsFlipped() ? height - 1 - y : y;
    const std::uint32_t* in = source + std::ptrdiff_t(sourceRow) * bitmap.RowSpan();
    png_byte* out = &job.pixels[size_t(y) * size_t(width) * 3u];
    job.rows[size_t(y)] = out;
    for (int x = 0; x < width; ++x) {
      out[3 * x] = png_byte(PixRed(in[x]));
      out[3 * x + 1] = png_byte(PixGreen(in[x]));
      out[3 * x + 2] = png_byte(PixBlue(in[x]));
    }
  }

  job.file = std::fopen(path.c_str(), "wb");
  if (!job.file) return false;
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (job.png) job.info = png_create_info_struct(job.png);
  bool ok = job.png && job.info && Write(job, width, height);
  png_destroy_write_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr);
  ok = (std::fclose(job.file) == 0) && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace fluvia
