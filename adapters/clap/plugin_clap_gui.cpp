// The editor extension: the editor embedded into the host's window (X11 on Linux, Win32 on
// Windows; no floating window), at the size the editor has. The size switch in the editor asks
// the host to resize through the host's gui extension (IPluginCLAP::ResizeEditor). On Linux the
// host's timers and file-descriptor watches drive the editor.

#include <cmath>
#include <cstring>

#include "adapters/clap/extension_tables.h"
#include "adapters/clap/plugin_clap.h"
#include "presets/editor_settings.h"

namespace fluvia {

bool IPluginCLAP::GuiApiSupported(const char* api, bool isFloating) const {
  return HasEditor() && !isFloating && api && std::strcmp(api, GuiPlatform::WindowApi()) == 0;
}

bool IPluginCLAP::GuiCreate(const char* api, bool isFloating) {
  if (!OnMainThread("gui.create") || !GuiApiSupported(api, isFloating)) return false;
  if (guiCreated_) return false;  // created twice without destroy in between
  // Before the host asks for the size: the last moment to settle it on the host's screen.
  core_->EditorAboutToOpen();
  guiCreated_ = true;
  guiParented_ = false;
  guiHidden_ = false;
  return true;
}

void IPluginCLAP::GuiDestroy() {
  if (!OnMainThread("gui.destroy") || !guiCreated_) return;
  if (IEditorLink* editor = core_->Editor(); editor && gui_.IsOpen()) {
    core_->EditorClosed();
    gui_.Close(*editor);
  }
  guiCreated_ = guiParented_ = guiHidden_ = false;
}

bool IPluginCLAP::GuiSetScale(double scale) {
  if (!OnMainThread("gui.set_scale") || !HasEditor()) return false;
  if (!(scale >= kMinEditorScale && scale <= kMaxEditorScale)) return false;
  // A size change reaches the host as a resize request once the editor sits in its window.
  core_->EditorContentScale(scale);
  return true;
}

bool IPluginCLAP::GuiSize(uint32_t* width, uint32_t* height) const {
  IEditorLink* editor = core_->Editor();
  if (!editor || !width || !height) return false;
  *width = uint32_t(editor->Width());
  *height = uint32_t(editor->Height());
  return true;
}

bool IPluginCLAP::GuiSetSize(uint32_t width, uint32_t height) const {
  // The editor has fixed sizes; the host may only confirm the one it has.
  uint32_t w = 0, h = 0;
  return GuiSize(&w, &h) && w == width && h == height;
}

bool IPluginCLAP::GuiSetParent(const clap::Window* window) {
  if (!OnMainThread("gui.set_parent") || !guiCreated_) return false;
  IEditorLink* editor = core_->Editor();
  if (!editor || !window || !window->api ||
      std::strcmp(window->api, GuiPlatform::WindowApi()) != 0) {
    return false;
  }
  if (gui_.IsOpen()) {
    core_->EditorClosed();
    gui_.Close(*editor);
  }
  guiParent_ = *window;
  guiParented_ = true;
  guiHidden_ = false;
  const GuiHostServices services{host_, hostExtensions_.timers, hostExtensions_.fds};
  if (!gui_.Open(*editor, guiParent_, services)) return false;
  core_->EditorOpened();
  return true;
}

bool IPluginCLAP::GuiShow() {
  if (!OnMainThread("gui.show") || !guiParented_) return false;
  IEditorLink* editor = core_->Editor();
  if (!editor) return false;
  if (guiHidden_ || !gui_.IsOpen()) {
    const GuiHostServices services{host_, hostExtensions_.timers, hostExtensions_.fds};
    if (!gui_.Open(*editor, guiParent_, services)) return false;
    core_->EditorOpened();
  }
  guiHidden_ = false;
  return true;
}

bool IPluginCLAP::GuiHide() {
  if (!OnMainThread("gui.hide") || !guiParented_) return false;
  // The editor object and its controls stay; only the window goes, and with it the timer.
  if (IEditorLink* editor = core_->Editor(); editor && gui_.IsOpen()) {
    core_->EditorClosed();
    gui_.Close(*editor);
  }
  guiHidden_ = true;
  return true;
}

void IPluginCLAP::OnTimer(clap::Id timerId) {
  if (OnMainThread("on_timer")) gui_.OnTimer(timerId);
}

void IPluginCLAP::OnFd(int fd, uint32_t flags) {
  if (OnMainThread("on_fd")) gui_.OnFd(fd, flags);
}

const clap::PluginGui kClapGui = {
    // is_api_supported
    [](const clap::Plugin* p, const char* api, bool isFloating) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiApiSupported(api, isFloating);
    },
    // get_preferred_api
    [](const clap::Plugin* p, const char** api, bool* isFloating) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      if (!self || !self->HasEditor() || !api || !isFloating) return false;
      *api = GuiPlatform::WindowApi();
      *isFloating = false;
      return true;
    },
    // create
    [](const clap::Plugin* p, const char* api, bool isFloating) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiCreate(api, isFloating);
    },
    // destroy
    [](const clap::Plugin* p) {
      if (IPluginCLAP* self = IPluginCLAP::From(p)) self->GuiDestroy();
    },
    // set_scale
    [](const clap::Plugin* p, double scale) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiSetScale(scale);
    },
    // get_size
    [](const clap::Plugin* p, uint32_t* width, uint32_t* height) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiSize(width, height);
    },
    // can_resize: the sizes are fixed; the editor's size switch asks the host itself.
    [](const clap::Plugin*) { return false; },
    // get_resize_hints
    [](const clap::Plugin* p, clap::GuiResizeHints* hints) {
      if (!IPluginCLAP::From(p) || !hints) return false;
      *hints = clap::GuiResizeHints{};
      return true;
    },
    // adjust_size
    [](const clap::Plugin*, uint32_t*, uint32_t*) { return false; },
    // set_size
    [](const clap::Plugin* p, uint32_t width, uint32_t height) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiSetSize(width, height);
    },
    // set_parent
    [](const clap::Plugin* p, const clap::Window* window) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiSetParent(window);
    },
    // set_transient: no floating window
    [](const clap::Plugin*, const clap::Window*) { return false; },
    // suggest_title
    [](const clap::Plugin*, const char*) {},
    // show
    [](const clap::Plugin* p) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiShow();
    },
    // hide
    [](const clap::Plugin* p) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->GuiHide();
    },
};

const clap::PluginTimerSupport kClapTimerSupport = {
    [](const clap::Plugin* p, clap::Id timerId) {
      if (IPluginCLAP* self = IPluginCLAP::From(p)) self->OnTimer(timerId);
    },
};

const clap::PluginPosixFdSupport kClapPosixFdSupport = {
    [](const clap::Plugin* p, int fd, uint32_t flags) {
      if (IPluginCLAP* self = IPluginCLAP::From(p)) self->OnFd(fd, flags);
    },
};

}  // namespace fluvia
