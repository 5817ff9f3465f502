// The editor as an LV2 X11 UI. The instrument builds its one editor with the instance; the UI
// reaches it through the host's instance-access feature (the plug-in object itself) and opens
// it inside the host's parent window. Hosts drive it from their UI thread through the idle
// interface: each idle call handles the editor's pending X events and redraws once a timer
// period has passed, and returns at once; nothing here waits on the host.
//
// The person's edits go to the host as port writes (bracketed by touch where the host offers
// it), and a size switch asks the host to resize through its ui:resize feature.

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>

#include "adapters/lv2/lv2_descriptors.h"
#include "adapters/lv2/lv2_uris.h"
#include "adapters/lv2/plugin_lv2.h"
#include "graphics/x11/graphics_x11.h"
#include "lv2/atom/atom.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/options/options.h"
#include "lv2/urid/urid.h"

namespace fluvia {
namespace {

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && i < 1024 && features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  }
  return nullptr;
}

class Lv2Ui final : public Lv2EditorLink {
 public:
  Lv2Ui(IPluginLV2& plugin, IGraphicsX11& editor, LV2UI_Write_Function write,
        LV2UI_Controller controller, const LV2_Feature* const* features)
      : plugin_(&plugin), editor_(&editor), write_(write), controller_(controller) {
    resize_ = static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize));
    touch_ = static_cast<const LV2UI_Touch*>(FindFeature(features, LV2_UI__touch));
    map_ = static_cast<const LV2_URID_Map*>(FindFeature(features, LV2_URID__map));
  }

  ~Lv2Ui() override { Close(); }

  // Opens the editor in the parent window; false when it cannot.
  bool Open(void* parent, LV2UI_Widget* widget, const LV2_Options_Option* options) {
    if (!plugin_->AttachEditor(this)) return false;  // another UI shows this instance
    IPluginCore& core = plugin_->Core();
    ApplyScale(options);
    core.EditorAboutToOpen();
    void* window = editor_->OpenWindow(parent);
    if (!window) {
      plugin_->DetachEditor(this);
      return false;
    }
    open_ = true;
    if (widget) *widget = window;
    lastTick_ = std::chrono::steady_clock::now();
    core.EditorOpened();
    RequestSize(editor_->Width(), editor_->Height());
    return true;
  }

  // While the host's window is smaller than the editor soon after opening or a size change,
  // the editor announces its size again (a few times at most, a tenth of a second apart).
  void WatchHostSize() {
    sizeChecksLeft_ = 20;
    announcementsLeft_ = 3;
    lastSizeCheck_ = std::chrono::steady_clock::now();
  }
  void CheckHostSize(std::chrono::steady_clock::time_point now) {
    if (sizeChecksLeft_ <= 0 || now - lastSizeCheck_ < std::chrono::milliseconds(100)) return;
    lastSizeCheck_ = now;
    --sizeChecksLeft_;
    int width = 0, height = 0;
    if (!editor_->ParentSize(width, height)) return;
    if (width >= editor_->Width() && height >= editor_->Height()) {
      sizeChecksLeft_ = 0;  // the host followed
    } else if (announcementsLeft_-- > 0) {
      editor_->AnnounceSize();
    } else {
      sizeChecksLeft_ = 0;  // the host keeps its own size
    }
  }

  int Idle() {
    if (!plugin_ || !editor_) return 1;  // the plug-in is gone: nothing left to show
    if (!editor_->WindowIsOpen()) return 0;
    editor_->ProcessPendingEvents();
    if (!editor_) return 1;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTick_ >= std::chrono::milliseconds(editor_->TimerPeriodMs())) {
      lastTick_ = now;
      editor_->OnTimer();
    }
    CheckHostSize(now);
    return 0;
  }

  // The host's display scale (ui:scaleFactor), at instantiation or later.
  uint32_t ApplyScale(const LV2_Options_Option* options) {
    if (!options || !map_ || !map_->map || !plugin_) return LV2_OPTIONS_SUCCESS;
    const LV2_URID scale = map_->map(map_->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map_->map(map_->handle, LV2_ATOM__Float);
    for (int i = 0; i < 1024 && (options[i].key != 0 || options[i].value); ++i) {
      const LV2_Options_Option& o = options[i];
      if (o.key != scale) continue;
      if (o.type != floatType || o.size != sizeof(float) || !o.value) return LV2_OPTIONS_ERR_BAD_VALUE;
      float factor = 0.0f;
      std::memcpy(&factor, o.value, sizeof factor);
      plugin_->Core().EditorContentScale(double(factor));
    }
    return LV2_OPTIONS_SUCCESS;
  }

  // ---- Lv2EditorLink ---------------------------------------------------------------------
  void BeginEdit(uint32_t port) override {
    if (touch_ && touch_->touch) touch_->touch(touch_->handle, port, true);
  }
  void Edited(uint32_t port, float value) override {
    if (write_) write_(controller_, port, sizeof(float), 0, &value);
  }
  void EndEdit(uint32_t port) override {
    if (touch_ && touch_->touch) touch_->touch(touch_->handle, port, false);
  }
  void RequestSize(int width, int height) override {
    if (resize_ && resize_->ui_resize) resize_->ui_resize(resize_->handle, width, height);
    WatchHostSize();
  }
  void PluginGone() override {
    // The core took its editor with it.
    plugin_ = nullptr;
    editor_ = nullptr;
    open_ = false;
  }

 private:
  void Close() {
    if (!plugin_) return;
    if (open_) {
      plugin_->Core().EditorClosed();
      if (editor_->WindowIsOpen()) editor_->CloseWindow();
      open_ = false;
    }
    plugin_->DetachEditor(this);
    plugin_ = nullptr;
  }

  IPluginLV2* plugin_;
  IGraphicsX11* editor_;
  LV2UI_Write_Function write_;
  LV2UI_Controller controller_;
  const LV2UI_Resize* resize_ = nullptr;
  const LV2UI_Touch* touch_ = nullptr;
  const LV2_URID_Map* map_ = nullptr;
  bool open_ = false;
  std::chrono::steady_clock::time_point lastTick_{};
  int sizeChecksLeft_ = 0;
  int announcementsLeft_ = 0;
  std::chrono::steady_clock::time_point lastSizeCheck_{};
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  try {
    if (!pluginUri || std::strcmp(pluginUri, kLv2PluginUri) != 0) return nullptr;
    auto* plugin = static_cast<IPluginLV2*>(
        const_cast<void*>(FindFeature(features, LV2_INSTANCE_ACCESS_URI)));
    void* parent = const_cast<void*>(FindFeature(features, LV2_UI__parent));
    // Both are declared required: a host that offers neither should not get here.
    if (!plugin || !plugin->Valid() || !parent) return nullptr;
    auto* editor = dynamic_cast<IGraphicsX11*>(plugin->Core().Editor());
    if (!editor) return nullptr;
    auto ui = std::make_unique<Lv2Ui>(*plugin, *editor, write, controller, features);
    const auto* options =
        static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options));
    if (!ui->Open(parent, widget, options)) return nullptr;
    return ui.release();
  } catch (...) {
    return nullptr;
  }
}

Lv2Ui* Ui(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle); }

void Cleanup(LV2UI_Handle handle) { delete Ui(handle); }

// Values reach the editor from the plug-in itself, which the host's port events describe too.
void PortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int Idle(LV2UI_Handle handle) { return Ui(handle)->Idle(); }

uint32_t GetOptions(LV2UI_Handle, LV2_Options_Option*) { return LV2_OPTIONS_ERR_UNKNOWN; }

uint32_t SetOptions(LV2UI_Handle handle, const LV2_Options_Option* options) {
  return Ui(handle)->ApplyScale(options);
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};
const LV2_Options_Interface kOptionsInterface = {GetOptions, SetOptions};

const void* ExtensionData(const char* uri) {
  if (!uri) return nullptr;
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
  if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &kOptionsInterface;
  return nullptr;
}

const LV2UI_Descriptor kUiDescriptor = {kLv2UiUri, Instantiate, Cleanup, PortEvent,
                                        ExtensionData};

}  // namespace

const LV2UI_Descriptor* UiDescriptor() { return &kUiDescriptor; }

}  // namespace fluvia
