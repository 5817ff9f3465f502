#pragma once
// The process-wide bitmap cache: decoded artwork shared by every editor of the process. A
// bitmap is added once and kept until the process (or module) ends, so controls can hold plain
// pointers to it for as long as they live.
//
// Entries are keyed by the image id and the image source: one module ships one artwork set,
// but a process that builds editors of both sets (tests, the snapshot tool) must not hand a
// small-set knob to a large editor because the ids agree.

#include <cstddef>
#include <functional>
#include <memory>

namespace fluvia {

class PixBitmap;

struct CachedBitmap {
  PixBitmap* bitmap = nullptr;
  // Every pixel has alpha 255, so compositing it over anything is a plain copy. Found once,
  // when the bitmap is added.
  bool opaque = false;
};

// The bitmap for (source, id), or null when none was added.
PixBitmap* FindCachedBitmap(int source, int id);

// Returns the cached bitmap for (source, id); on a miss calls load and keeps what it returns.
// A failed load (null) is not remembered, so a later call tries again. The cache lock is held
// across the load so that two editors never decode the same image twice.
CachedBitmap FindOrLoadCachedBitmap(int source, int id,
                                    const std::function<std::unique_ptr<PixBitmap>()>& load);

// Number of cached bitmaps and the pixel memory they hold, in bytes.
std::size_t BitmapCacheCount();
std::size_t BitmapCacheBytes();

}  // namespace fluvia
