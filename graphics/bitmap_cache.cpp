#include "graphics/bitmap_cache.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_mem_bitmap.h"

namespace fluvia {
namespace {

struct Entry {
  int source;
  int id;
  std::unique_ptr<PixBitmap> bitmap;
  bool opaque;
};

// Lives in a function-local static so it is built on first use and its destructor, which
// frees every bitmap, runs at process exit (or module unload).
struct Cache {
  std::recursive_mutex lock;  // recursive: a loader may itself consult the cache
  std::vector<Entry> entries;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

const Entry* FindLocked(const Cache& cache, int source, int id) {
  for (const Entry& entry : cache.entries) {
    if (entry.source == source && entry.id == id) return &entry;
  }
  return nullptr;
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

CachedBitmap Found(const Entry* entry) {
  return entry ? CachedBitmap{entry->bitmap.get(), entry->opaque} : CachedBitmap{};
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

CachedBitmap FindOrLoadCachedBitmap(int source, int id,
                                    const std::function<std::unique_ptr<PixBitmap>()>& load) {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  if (const Entry* found = FindLocked(cache, source, id)) return Found(found);
  if (!load) return {};
  std::unique_ptr<PixBitmap> bitmap = load();
  if (!bitmap) return {};
  // The loader may have added the same key itself; keep the first so pointers stay valid.
  if (const Entry* found = FindLocked(cache, source, id)) return Found(found);
  const bool opaque = IsOpaque(*bitmap);
  cache.entries.push_back(Entry{source, id, std::move(bitmap), opaque});
  return Found(&cache.entries.back());
}

std::size_t BitmapCacheCount() {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  return cache.entries.size();
}

std::size_t BitmapCacheBytes() {
  Cache& cache = TheCache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  std::size_t total = 0;
  for (const Entry& entry : cache.entries) total += BytesOf(*entry.bitmap);
  return total;
}

}  // namespace fluvia
