#pragma once
// The module's two LV2 descriptors: the plug-in and its X11 editor. Both live in the one
// binary of the bundle, which the editor needs: it reaches the plug-in's own editor object
// through the host's instance-access feature.

#include "lv2/core/lv2.h"
#include "lv2/ui/ui.h"

namespace fluvia {

const LV2_Descriptor* PluginDescriptor();
const LV2UI_Descriptor* UiDescriptor();

}  // namespace fluvia
