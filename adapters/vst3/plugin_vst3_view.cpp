#include "adapters/vst3/plugin_vst3_view.h"

#include <cstring>

#include "adapters/vst3/plugin_vst3.h"

namespace fluvia {

using namespace Steinberg;

IPluginVST3View::IPluginVST3View(IPluginVST3* plugin) : plugin_(plugin) {
  plugin_->AddView(this);
}

IPluginVST3View::~IPluginVST3View() {
  // A host that releases the view without removing it first must not leave the editor's
  // window behind inside a parent that is about to go away.
  if (hostAttached_) CloseEditor();
  plugin_->RemoveView(this);
}

tresult PLUGIN_API IPluginVST3View::isPlatformTypeSupported(FIDString type) {
  if (!plugin_->Core().Editor() || !type) return kResultFalse;
  return std::strcmp(type, EditorPlatformType()) == 0 ? kResultOk : kResultFalse;
}

tresult PLUGIN_API IPluginVST3View::attached(void* parent, FIDString type) {
  IPluginCore& core = plugin_->Core();
  IEditorLink* editor = core.Editor();
  if (!editor) return kResultFalse;
  if (hostAttached_) return kResultFalse;  // attached twice without removed in between
  if (type && std::strcmp(type, EditorPlatformType()) == 0) {
    if (!parent) return kInvalidArgument;
    platform_.Open(*editor, parent, plugFrame);
  }
  core.EditorOpened();
  hostAttached_ = true;
  return CPluginView::attached(parent, type);
}

tresult PLUGIN_API IPluginVST3View::removed() {
  if (hostAttached_) CloseEditor();
  return CPluginView::removed();
}

void IPluginVST3View::CloseEditor() {
  IPluginCore& core = plugin_->Core();
  if (IEditorLink* editor = core.Editor()) {
    core.EditorClosed();
    platform_.Close(*editor);
  }
  hostAttached_ = false;
}

tresult PLUGIN_API IPluginVST3View::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  IEditorLink* editor = plugin_->Core().Editor();
  if (!editor) return kResultFalse;
  *size = ViewRect(0, 0, editor->Width(), editor->Height());
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3View::onSize(ViewRect* newSize) {
  if (!newSize) return kInvalidArgument;
  rect = *newSize;
  if (expectingResize_) {
    expectingResize_ = false;
    plugin_->Core().EditorResized();
  }
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3View::setContentScaleFactor(ScaleFactor factor) {
  if (!plugin_->Core().Editor()) return kResultFalse;
  // A size change reaches the host as a resize request (through the plug-in's ResizeEditor).
  plugin_->Core().EditorContentScale(double(factor));
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3View::setFrame(IPlugFrame* frame) {
  plugFrame = frame;
  return kResultOk;
}

}  // namespace fluvia
