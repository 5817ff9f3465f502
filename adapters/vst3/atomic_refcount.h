#pragma once
// Reference counting for the objects a host shares across its threads. The SDK's own counter
// on Linux adds atomically but then reads the count back separately, so two threads releasing
// at once can both see zero and delete twice; these helpers return the value of the atomic
// operation itself.

#include "base/source/fobject.h"

namespace fluvia {

inline Steinberg::uint32 AtomicAddRef(Steinberg::int32& count) {
  return static_cast<Steinberg::uint32>(__atomic_add_fetch(&count, 1, __ATOMIC_ACQ_REL));
}

// Returns the count after the release; the caller deletes the object when it is 0.
inline Steinberg::int32 AtomicRelease(Steinberg::int32& count) {
  return __atomic_sub_fetch(&count, 1, __ATOMIC_ACQ_REL);
}

}  // namespace fluvia

// For FObject-derived classes: addRef and release on the FObject counter, atomically.
#define FLUVIA_ATOMIC_REFCOUNT_METHODS                                              \
  Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE {                             \
    return ::fluvia::AtomicAddRef(refCount);                                        \
  }                                                                                 \
  Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE {                            \
    const Steinberg::int32 left = ::fluvia::AtomicRelease(refCount);                \
    if (left == 0) {                                                                \
      refCount = -1000;                                                             \
      delete this;                                                                  \
      return 0;                                                                     \
    }                                                                               \
    return static_cast<Steinberg::uint32>(left);                                    \
  }
