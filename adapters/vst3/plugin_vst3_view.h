#pragma once
// IPluginVST3View: the editor view a VST3 host embeds. It holds a counted reference to its
// plug-in, so the plug-in outlives every view the host still holds.

#include "adapters/vst3/atomic_refcount.h"
#include "adapters/vst3/view_platform.h"
#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

namespace fluvia {

class IPluginVST3;

class IPluginVST3View : public Steinberg::CPluginView,
                        public Steinberg::IPlugViewContentScaleSupport {
 public:
  explicit IPluginVST3View(IPluginVST3* plugin);
  ~IPluginVST3View() override;

  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API removed() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) SMTG_OVERRIDE;
  // The host's device pixels per editor pixel (Windows hosts on scaled displays).
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) SMTG_OVERRIDE;

  // The plug-in asked the host to resize the view; the next onSize completes it.
  void ExpectResize() { expectingResize_ = true; }
  Steinberg::IPlugFrame* Frame() const { return plugFrame; }

  OBJ_METHODS(IPluginVST3View, CPluginView)
  DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugViewContentScaleSupport)
  END_DEFINE_INTERFACES(CPluginView)
  FLUVIA_ATOMIC_REFCOUNT_METHODS

 private:
  void CloseEditor();

  Steinberg::IPtr<IPluginVST3> plugin_;
  ViewPlatform platform_;
  bool expectingResize_ = false;
  bool hostAttached_ = false;
};

}  // namespace fluvia
