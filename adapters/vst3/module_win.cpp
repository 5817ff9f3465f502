// Windows module entry points. The module's instance handle is where the editor finds its
// artwork (module resources of type "PNG"), so it is handed to the image loader on load.

#include <windows.h>

#include "graphics/pix/pix_image_resource.h"
#include "pluginterfaces/base/fplatform.h"

namespace {
HINSTANCE gModuleInstance = nullptr;
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    gModuleInstance = instance;
    fluvia::PixSetResourceModule(instance);
  }
  return TRUE;
}

SMTG_EXPORT_SYMBOL bool InitDll() {
  if (gModuleInstance) fluvia::PixSetResourceModule(gModuleInstance);
  return true;
}

SMTG_EXPORT_SYMBOL bool ExitDll() { return true; }

}  // extern "C"
