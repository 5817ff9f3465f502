#pragma once

#include <cstddef>

namespace fluvia {

class PixMemBitmap;

// The two artwork sets: Large for the 1000 x 960 editor, Small for the 500 x 480 one.
enum class ArtworkSet { Large, Small };

// One embedded PNG image, known by its numeric id (101..117).
struct ImageResource {
  int id;
  const unsigned char* data;
  std::size_t size;
  const char* fileName;  // e.g. "va_knob_0029.png"; a label only
};

// Finds the embedded image with that id in the set, or null. On Linux the images are compiled
// into the module by the libraries fluvia_artwork_large and fluvia_artwork_small (link the one
// the module ships); on Windows they are module resources of type "PNG" and the module holds
// only its own set, so `set` is not consulted there.
const ImageResource* FindImageResource(ArtworkSet set, int id);

// Decodes the embedded image; null for a missing id or a payload that is not a valid PNG.
// The caller owns the bitmap (the graphics core keeps it in its bitmap cache).
PixMemBitmap* LoadPngResource(ArtworkSet set, int id);

// The embedded image's size from its PNG header, without decoding; false when it is missing or
// its header is not a PNG's.
bool PngResourceSize(ArtworkSet set, int id, int& width, int& height);

// Called by the generated artwork sources during static initialisation; a later table for the
// same set replaces the earlier one.
bool RegisterImageResources(ArtworkSet set, const ImageResource* table, std::size_t count);

// Windows: the module whose resources hold the images (an HMODULE); by default the module that
// contains this code. Ignored elsewhere.
void PixSetResourceModule(void* module);

}  // namespace fluvia
