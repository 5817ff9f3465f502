// The module's ways in for an LV2 host: the plug-in descriptor and its editor's descriptor,
// one each.

#include "adapters/lv2/lv2_descriptors.h"

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? fluvia::PluginDescriptor() : nullptr;
}

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? fluvia::UiDescriptor() : nullptr;
}

}  // extern "C"
