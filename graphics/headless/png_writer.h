#pragma once
// Writes a bitmap to a PNG file: what the editor shows, for snapshots and references.

#include <string>

namespace fluvia {

class PixBitmap;

// 8-bit RGB (the editor's pixels are opaque on screen; alpha is dropped). False when the file
// cannot be written or the bitmap is empty.
bool WritePngRgb(const std::string& path, const PixBitmap& bitmap);

}  // namespace fluvia
