#include "graphics/pix/pix_image_resource.h"

#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"

namespace fluvia {

PixMemBitmap* LoadPngResource(ArtworkSet set, int id) {
  const ImageResource* resource = FindImageResource(set, id);
  // Eight bytes are not even a PNG signature plus anything.
  if (resource == nullptr || resource->data == nullptr || resource->size <= 8) return nullptr;
  return PixLoadPngFromMemory(resource->data, resource->size);
}

bool PngResourceSize(ArtworkSet set, int id, int& width, int& height) {
  const ImageResource* resource = FindImageResource(set, id);
  return resource != nullptr && PixPngSize(resource->data, resource->size, width, height);
}

}  // namespace fluvia
