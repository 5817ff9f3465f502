// The module's own path: the DLL (or program) that holds this function.

#include <windows.h>

#include <algorithm>

#include "presets/shared_factory_presets.h"

namespace fluvia {

std::string ThisModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ThisModulePath), &module)) {
    return {};
  }
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string result(path, length);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

}  // namespace fluvia
