// GetPluginFactory: the module's one exported way in for a VST3 host.

#include <memory>
#include <mutex>

#include "adapters/vst3/factory_info.h"
#include "adapters/vst3/plugin_factory.h"
#include "adapters/vst3/plugin_vst3.h"
#include "graphics/editor_window_host.h"
#include "instrument/fluvia.h"

namespace {

using namespace Steinberg;

fluvia::CPluginFactory* gFactory = nullptr;
std::mutex gFactoryMutex;

FUnknown* CreateFluvia(void* /*context*/) {
  fluvia::FluviaOptions options;
  options.api = fluvia::PluginApi::VST3;
  options.artwork = fluvia::ArtworkSet::Large;
  options.createGraphics = fluvia::EditorWindowHost();
  auto instrument = std::make_unique<fluvia::Fluvia>(options);
  auto* plugin = new fluvia::IPluginVST3(std::move(instrument));
  return static_cast<Vst::IAudioProcessor*>(plugin);
}

fluvia::CPluginFactory* MakeFactory() {
  PFactoryInfo info(fluvia::kVendorName, fluvia::kVendorUrl, fluvia::kVendorEmail,
                    fluvia::kFactoryFlags);
  auto* factory = new fluvia::CPluginFactory(info);
  TUID cid;
  for (int i = 0; i < 16; ++i) cid[i] = fluvia::kFluviaClassId[i];
  PClassInfo2 classInfo(cid, fluvia::kClassCardinality, fluvia::kClassCategory,
                        fluvia::kClassName, fluvia::kClassFlags, fluvia::kClassSubCategories,
                        fluvia::kVendorName, fluvia::kClassVersion, fluvia::kClassSdkVersion);
  factory->registerClass(classInfo, CreateFluvia);
  return factory;
}

}  // namespace

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
  std::lock_guard<std::mutex> lock(gFactoryMutex);
  if (!gFactory) {
    try {
      gFactory = MakeFactory();
    } catch (...) {
      gFactory = nullptr;
      return nullptr;
    }
    // The host's last release destroys the factory; the next call builds a fresh one.
    gFactory->setOwnerSlot(&gFactory);
  } else {
    gFactory->addRef();
  }
  return gFactory;
}
