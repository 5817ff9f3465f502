#include "tests/support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

// Plain thread-locals are constant-initialised, so they are usable by allocations made before
// main and on threads that never touch this file otherwise.
thread_local std::size_t t_allocationCount = 0;
thread_local std::size_t t_allocationBytes = 0;
constexpr std::size_t kNeverFail = ~static_cast<std::size_t>(0);
thread_local std::size_t t_failFromBytes = kNeverFail;

void* Allocate(std::size_t size, std::size_t alignment) {
  ++t_allocationCount;
  t_allocationBytes += size;
  if (size >= t_failFromBytes) return nullptr;
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  // aligned_alloc wants the size to be a multiple of the alignment.
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  return std::aligned_alloc(alignment, rounded);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  void* p = Allocate(size, alignment);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

namespace fluvia {
namespace test_support {

AllocationCounter::AllocationCounter()
    : startCount_(t_allocationCount), startBytes_(t_allocationBytes) {}

std::size_t AllocationCounter::Count() const { return t_allocationCount - startCount_; }

std::size_t AllocationCounter::Bytes() const { return t_allocationBytes - startBytes_; }

AllocationFailureScope::AllocationFailureScope(std::size_t minBytes)
    : previousMinBytes_(t_failFromBytes) {
  t_failFromBytes = minBytes;
}

AllocationFailureScope::~AllocationFailureScope() { t_failFromBytes = previousMinBytes_; }

}  // namespace test_support
}  // namespace fluvia

// Replacements of every global allocation form, so that no allocation escapes the count.
void* operator new(std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) {
  return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
