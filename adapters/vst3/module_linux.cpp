// Linux module entry points. A host calls ModuleEntry after loading the module and ModuleExit
// before unloading it. Everything module-wide (the engine's noise state, the bitmap and font
// caches) is set up by static initialisation on load and freed by static destruction on
// unload, so both only confirm; a host that skips them, or calls them more than once, gets the
// same module.

#include "pluginterfaces/base/fplatform.h"

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* /*sharedLibraryHandle*/) { return true; }

SMTG_EXPORT_SYMBOL bool ModuleExit() { return true; }

}  // extern "C"
