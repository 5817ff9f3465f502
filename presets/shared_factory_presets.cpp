#include "presets/shared_factory_presets.h"

#include <mutex>

#include "presets/factory_preset_record.h"
#include "presets/preset_folder.h"
#include "presets/preset_install.h"

namespace fluvia {

void LaySharedFactoryPresetsOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string documents = DocumentsFolder();
    if (documents.empty()) return;
    InstallSharedFactoryPresets(ThisModulePath(), PresetFolderUnder(documents),
                                EarlierFactoryPresets());
  });
}

}  // namespace fluvia
