#pragma once
// The process-wide bitmap cache: decoded artwork shared by every editor of the process. A
// bitmap is added once and kept until the process (or module) ends, so controls can hold plain
// pointers to it for as long as they live.
//
// An image may be declared before it is decoded: its entry then knows the image's size, and
// its pixels arrive when an editor first needs them (see IGraphics::LoadArtwork). Plug-in
// instances whose editor never opens never pay for decoding.
//
// Entries are keyed by the image id and the image source: one module ships one artwork set,
// but a process that builds editors of both sets (tests, the snapshot tool) must not hand a
// small-set knob to a large editor because the ids agree.

#include <atomic>
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

// One image of the cache, at a fixed address for the rest of the process.
struct CachedImage {
  int source = 0;
  int id = 0;
  // Fixed when the entry is made.
  int width = 0;
  int height = 0;
  // Null until decoded; set once, under the cache lock, and read by any thread.
  std::atomic<PixBitmap*> bitmap{nullptr};
  std::atomic<bool> opaque{false};
  std::unique_ptr<PixBitmap> owned;
};

// The bitmap for (source, id), or null when none was decoded.
PixBitmap* FindCachedBitmap(int source, int id);

// The entry for (source, id), made with the given size when there is none yet. Decodes
// nothing.
const CachedImage* DeclareCachedImage(int source, int id, int width, int height);

// Returns the cached bitmap for (source, id); on a miss calls load and keeps what it returns
// (in the declared entry, when there is one and the sizes agree). A failed load (null) is not
// remembered, so a later call tries again. The cache lock is held across the load so that two editors never
// decode the same image twice.
CachedBitmap FindOrLoadCachedBitmap(int source, int id,
                                    const std::function<std::unique_ptr<PixBitmap>()>& load);

// Number of decoded bitmaps and the pixel memory they hold, in bytes.
std::size_t BitmapCacheCount();
std::size_t BitmapCacheBytes();

}  // namespace fluvia
