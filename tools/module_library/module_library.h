#pragma once
// Loading a plug-in module's binary as hosts do on each platform (dlopen on Linux,
// LoadLibrary on Windows), for the VST3 and the VST2 host code alike.

#include <string>

namespace fluvia::hostlib {

// The library's handle, or null with the system's reason in `reason`.
void* OpenModuleLibrary(const std::string& path, std::string& reason);
// The exported symbol of that name, or null.
void* ModuleLibrarySymbol(void* handle, const char* name);
void CloseModuleLibrary(void* handle);

}  // namespace fluvia::hostlib
