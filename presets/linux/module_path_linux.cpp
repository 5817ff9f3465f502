// The module's own path from the dynamic loader: the file the loader mapped this function
// from, made absolute (a host may dlopen a module by a relative path).

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "presets/shared_factory_presets.h"

namespace fluvia {

std::string ThisModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ThisModulePath), &info) == 0 || !info.dli_fname) {
    return {};
  }
  char resolved[PATH_MAX];
  if (!::realpath(info.dli_fname, resolved)) return {};
  return resolved;
}

}  // namespace fluvia
