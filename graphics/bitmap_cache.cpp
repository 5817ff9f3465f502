#include "graphics/bitmap_cache.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "graphics/draw_records.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

// Lives in a function-local static so it is built on first use and its destructor, which
// frees every bitmap, runs at process exit (or module unload). A deque never moves its
// entries, so their addresses can be handed out.
struct Cache {
  std::recursive_mutex lock;  // recursive: a loader may itself consult the cache
  std::deque<CachedImage> entries;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

CachedImage* FindLocked(Cache& cache, int source, int id) {
  for (CachedImage& entry : cache.entries) {
    if (entry.source == source && entry.id == id) return &entry;
  }
  return nullptr;
}

CachedImage& AddLocked(Cache& cache, int source, int id) {
  CachedImage& entry = cache.entries.emplace_back();
  entry.source = source;
  entry.id = id;
  return entry;
}

bool IsOpaque(const PixBitmap& bitmap) {
  const std::uint32_t* pixels = bitmap.Pixels();
  if (!pixels) return false;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint32_t* row = pixels + std::ptrdiff_t(y) * bitmap.RowSpan();
    for (int x = 0; x < bitmap.Width(); ++x) {
      if ((row[x] >> 24) != 0xffu) return false;
    }
  }
  return true;
}

CachedBitmap Found(const CachedImage* entry) {
  return entry ? CachedBitmap{entry->bitmap.load(), entry->opaque.load()} : CachedBitmap{};
}

std::size_t BytesOf(const PixBitmap& bitmap) {
  if (const auto* mem = dynamic_cast<const PixMemBitmap*>(&bitmap)) return mem->AllocatedBytes();
  return std::size_t(bitmap.RowSpan()) * std::size_t(bitmap.Height()) * 4u;
}

}  // namespace

PixBitmap* FindCachedBitmap(int source, int id) {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  return Found(FindLocked(cache, source, id)).bitmap;
}

const CachedImage* DeclareCachedImage(int source, int id, int width, int height) {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  if (CachedImage* found = FindLocked(cache, source, id)) return found;
  CachedImage& entry = AddLocked(cache, source, id);
  entry.width = width;
  entry.height = height;
  return &entry;
}

CachedBitmap FindOrLoadCachedBitmap(int source, int id,
                                    const std::function<std::unique_ptr<PixBitmap>()>& load) {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  CachedImage* entry = FindLocked(cache, source, id);
  if (entry && entry->bitmap.load()) return Found(entry);
  if (!load) return {};
  std::unique_ptr<PixBitmap> bitmap = load();
  if (!bitmap) return {};
  // The loader may have added the same key itself; keep the first so pointers stay valid.
  entry = FindLocked(cache, source, id);
  if (entry && entry->bitmap.load()) return Found(entry);
  if (!entry) {
    entry = &AddLocked(cache, source, id);
    entry->width = bitmap->Width();
    entry->height = bitmap->Height();
  } else if (bitmap->Width() != entry->width || bitmap->Height() != entry->height) {
    // Declared with another size, which the controls were laid out by: not this image.
    return {};
  }
  entry->opaque = IsOpaque(*bitmap);
  entry->owned = std::move(bitmap);
  entry->bitmap = entry->owned.get();
  return Found(entry);
}

std::size_t BitmapCacheCount() {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  std::size_t count = 0;
  for (const CachedImage& entry : cache.entries) count += entry.bitmap.load() ? 1 : 0;
  return count;
}

std::size_t BitmapCacheBytes() {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  std::size_t total = 0;
  for (const CachedImage& entry : cache.entries) {
    if (const PixBitmap* bitmap = entry.bitmap.load()) total += BytesOf(*bitmap);
  }
  return total;
}

// ---- Strips ---------------------------------------------------------------------------------

PixBitmap* IBitmapStrip::Bitmap() const { return image ? image->bitmap.load() : bitmap; }

bool IBitmapStrip::Opaque() const { return image ? image->opaque.load() : opaque; }

}  // namespace fluvia
