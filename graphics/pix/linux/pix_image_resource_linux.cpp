// Linux modules carry their artwork as compiled-in byte arrays: the generated sources of
// fluvia_artwork_large / fluvia_artwork_small register their tables here while the module is
// loaded, before any editor exists.
#include <atomic>

#include "graphics/pix/pix_image_resource.h"

namespace fluvia {
namespace {

struct ImageTable {
  std::atomic<const ImageResource*> entries{nullptr};
  std::atomic<std::size_t> count{0};
};

// Constant-initialised, so registration from other static initialisers cannot run before it.
ImageTable gTables[2];

ImageTable& TableFor(ArtworkSet set) { return gTables[set == ArtworkSet::Large ? 0 : 1]; }

}  // namespace

bool RegisterImageResources(ArtworkSet set, const ImageResource* table, std::size_t count) {
  if (table == nullptr) count = 0;
  ImageTable& slot = TableFor(set);
  slot.count.store(0);
  slot.entries.store(table);
  slot.count.store(count);
  return true;
}

const ImageResource* FindImageResource(ArtworkSet set, int id) {
  const ImageTable& slot = TableFor(set);
  const ImageResource* entries = slot.entries.load();
  const std::size_t count = slot.count.load();
  if (entries == nullptr) return nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (entries[i].id == id) return &entries[i];
  }
  return nullptr;
}

void PixSetResourceModule(void*) {}

}  // namespace fluvia
