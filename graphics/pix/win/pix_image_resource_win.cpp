// Windows modules carry their artwork as resources of type "PNG" (see the generated .rc of
// fluvia_artwork_large / fluvia_artwork_small): the large set under the image ids, the small
// set kSmallSetResourceOffset above them.
#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "graphics/pix/pix_image_resource.h"

namespace fluvia {
namespace {

constexpr int kSmallSetResourceOffset = 1000;

std::mutex gLock;
HMODULE gModule = nullptr;
// Found resources stay mapped for the module's lifetime, so their records can be handed out
// by pointer: each record has its own allocation, and none is dropped, not even when the
// resource module changes.
struct Found {
  HMODULE module;
  int resource;
  std::unique_ptr<ImageResource> record;
};
std::vector<Found> gFound;

HMODULE ResourceModule() {
  if (gModule == nullptr) {
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ResourceModule), &gModule);
  }
  return gModule;
}

}  // namespace

void PixSetResourceModule(void* module) {
  std::lock_guard<std::mutex> hold(gLock);
  gModule = static_cast<HMODULE>(module);
}

bool RegisterImageResources(ArtworkSet, const ImageResource*, std::size_t) { return false; }

const ImageResource* FindImageResource(ArtworkSet set, int id) {
  if (id <= 0 || id >= kSmallSetResourceOffset) return nullptr;
  const int resource = id + (set == ArtworkSet::Small ? kSmallSetResourceOffset : 0);
  std::lock_guard<std::mutex> hold(gLock);
  HMODULE module = ResourceModule();
  for (const Found& f : gFound) {
    if (f.module == module && f.resource == resource) return f.record.get();
  }
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resource), "PNG");
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return nullptr;
  gFound.push_back({module, resource, std::make_unique<ImageResource>(ImageResource{
                                id, static_cast<const unsigned char*>(bytes),
                                static_cast<std::size_t>(SizeofResource(module, found)), ""})});
  return gFound.back().record.get();
}

}  // namespace fluvia
