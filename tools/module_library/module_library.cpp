#include "tools/module_library/module_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fluvia::hostlib {

#ifdef _WIN32
void* OpenModuleLibrary(const std::string& path, std::string& reason) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) reason = "error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(module);
}

void* ModuleLibrarySymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseModuleLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* OpenModuleLibrary(const std::string& path, std::string& reason) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = ::dlerror();
    reason = text ? text : "unknown error";
  }
  return handle;
}

void* ModuleLibrarySymbol(void* handle, const char* name) { return ::dlsym(handle, name); }

void CloseModuleLibrary(void* handle) { ::dlclose(handle); }
#endif

}  // namespace fluvia::hostlib
