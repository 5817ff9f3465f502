#include "graphics/pix/pix_png.h"

#include <png.h>

#include <cctype>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

// On little-endian machines a 32-bit pixel (alpha in the top byte) lies in memory as blue,
// green, red, alpha, which libpng can write directly.
constexpr bool kNativeIsBgra = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Files bigger than this cannot be artwork this layer is meant to hold.
constexpr std::size_t kMaxPngFileBytes = std::size_t{256} << 20;

struct MemoryReader {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->position) png_error(png, "truncated");
  std::memcpy(out, reader->data + reader->position, length);
  reader->position += length;
}

// libpng's default handlers print to stderr; a plug-in must stay quiet and just fail.
[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Everything that libpng may longjmp out of lives in this function, which holds no objects
// with destructors; what it allocates is tracked in volatile locals and freed on the way out.
PixMemBitmap* DecodeWithLibpng(png_structp png, png_infop info, PixMemBitmap* into) {
  PixMemBitmap* volatile created = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(rows);
    delete created;
    return nullptr;
  }

  png_set_user_limits(png, kPixPngMaxSide, kPixPngMaxSide);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
  if (static_cast<unsigned long long>(width) * height >
      static_cast<unsigned long long>(kPixPngMaxPixels)) {
    png_error(png, "image too large");
  }

  // Every colour type and depth ends up as 8-bit alpha, red, green, blue.
  bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_set_tRNS_to_alpha(png);
    hasAlpha = true;
  }
  if (depth == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if (kNativeIsBgra) {
    // Blue, green, red, alpha in memory is the native 32-bit pixel already.
    png_set_bgr(png);
    if (!hasAlpha) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  } else if (hasAlpha) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) {
    png_error(png, "unexpected row layout");
  }

  PixMemBitmap* bitmap = into;
  if (bitmap == nullptr) {
    created = new (std::nothrow) PixMemBitmap();
    bitmap = created;
    if (bitmap == nullptr) png_error(png, "out of memory");
  }
  bitmap->Resize(static_cast<int>(width), static_cast<int>(height));
  if (bitmap->Width() != static_cast<int>(width) || bitmap->Height() != static_cast<int>(height)) {
    png_error(png, "no memory for the bitmap");
  }

  rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (rows == nullptr) png_error(png, "out of memory");
  std::uint32_t* const pixels = bitmap->Pixels();
  const std::size_t span = static_cast<std::size_t>(bitmap->RowSpan());
  for (png_uint_32 y = 0; y < height; ++y) {
    rows[y] = reinterpret_cast<png_bytep>(pixels + y * span);
  }
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  std::free(rows);
  rows = nullptr;

  if (kNativeIsBgra) return bitmap;
  // libpng wrote the bytes alpha, red, green, blue; make native 32-bit pixels of them.
  for (png_uint_32 y = 0; y < height; ++y) {
    std::uint32_t* row = pixels + y * span;
    for (png_uint_32 x = 0; x < width; ++x) {
      unsigned char bytes[4];
      std::memcpy(bytes, row + x, 4);
      row[x] = (static_cast<std::uint32_t>(bytes[0]) << 24) |
               (static_cast<std::uint32_t>(bytes[1]) << 16) |
               (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
    }
  }
  return bitmap;
}

}  // namespace

bool PixPngSize(const void* data, std::size_t size, int& width, int& height) {
  // Signature (8 bytes), then the IHDR chunk: length (4), type (4), width (4), height (4).
  constexpr std::size_t kHeaderBytes = 24;
  if (data == nullptr || size < kHeaderBytes) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (png_sig_cmp(bytes, 0, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return false;
  auto big = [&](std::size_t at) {
    return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
           (std::uint32_t(bytes[at + 2]) << 8) | std::uint32_t(bytes[at + 3]);
  };
  const std::uint32_t w = big(16), h = big(20);
  if (w == 0 || h == 0 || w > std::uint32_t(kPixPngMaxSide) || h > std::uint32_t(kPixPngMaxSide) ||
      std::uint64_t(w) * h > std::uint64_t(kPixPngMaxPixels)) {
    return false;
  }
  width = int(w);
  height = int(h);
  return true;
}

PixMemBitmap* PixLoadPngFromMemory(const void* data, std::size_t size, PixMemBitmap* into) {
  if (data == nullptr || size < 8) return nullptr;
  if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;

  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (png == nullptr) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
  png_set_read_fn(png, &reader, ReadFromMemory);

  PixMemBitmap* bitmap = DecodeWithLibpng(png, info, into);
  png_destroy_read_struct(&png, &info, nullptr);
  return bitmap;
}

bool PixHasPngExtension(const char* path) {
  if (path == nullptr) return false;
  const char* extension = nullptr;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/' || *p == '.') extension = p;
  }
  if (extension == nullptr || std::strlen(extension) != 4) return false;
  static const char kWanted[] = ".png";
  for (int i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(extension[i])) != kWanted[i]) return false;
  }
  return true;
}

PixMemBitmap* PixLoadPngFromFile(const char* path, bool checkExtension) {
  if (path == nullptr || *path == '\0') return nullptr;
  if (checkExtension && !PixHasPngExtension(path)) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;

  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  bool tooLarge = false;
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) break;
    if (bytes.size() + got > kMaxPngFileBytes) {
      tooLarge = true;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  if (tooLarge) return nullptr;
  return PixLoadPngFromMemory(bytes.data(), bytes.size());
}

}  // namespace fluvia
