#pragma once

#include <cstddef>

namespace fluvia {

class PixMemBitmap;

// Description offered to file dialogs for PNG images.
inline constexpr const char* kPixPngFileTypes = "PNG files (*.PNG)";

// Decodes a PNG image of any colour type, bit depth or interlacing into 32-bit pixels. With
// `into` the decoded image goes into that bitmap (resized) and it is returned; otherwise a new
// bitmap is made that the caller owns. Returns null for anything that is not a complete,
// valid PNG or is larger than kPixPngMaxSide pixels on a side or kPixPngMaxPixels in all;
// `into` is never deleted, but its contents are undefined after a failure.
PixMemBitmap* PixLoadPngFromMemory(const void* data, std::size_t size,
                                   PixMemBitmap* into = nullptr);

// The image size from a PNG's header, without decoding anything; false when the data does not
// start like a PNG or the size is beyond the limits below.
bool PixPngSize(const void* data, std::size_t size, int& width, int& height);

// Reads a PNG file. With checkExtension the name must end in ".png" (any case).
PixMemBitmap* PixLoadPngFromFile(const char* path, bool checkExtension);

// True when the part of path after its last '\\', '/' or '.' is ".png", ignoring case.
bool PixHasPngExtension(const char* path);

// Limits that keep a hostile header from making the decoder allocate gigabytes.
inline constexpr int kPixPngMaxSide = 16384;
inline constexpr long kPixPngMaxPixels = 32L * 1024 * 1024;

}  // namespace fluvia
