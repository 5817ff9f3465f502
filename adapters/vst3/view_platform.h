#pragma once
// The platform-specific half of the editor view: which host window type the editor embeds
// into, and the work around opening and closing the window that depends on the windowing
// system (on Linux the host's run loop drives the editor's timer and X events).

#include <memory>

#include "framework/editor_link.h"
#include "pluginterfaces/gui/iplugview.h"

namespace fluvia {

// The platform type string the host passes to attached(), e.g. "X11EmbedWindowID".
const char* EditorPlatformType();

class ViewPlatform {
 public:
  ViewPlatform();
  ~ViewPlatform();
  ViewPlatform(const ViewPlatform&) = delete;
  ViewPlatform& operator=(const ViewPlatform&) = delete;

  // Opens the editor window inside the host window; false when it could not be opened.
  // The frame is the host's (possibly null): on Linux it is where the run loop comes from.
  bool Open(IEditorLink& editor, void* parent, Steinberg::IPlugFrame* frame);
  // Closes what Open opened; harmless when nothing is open.
  void Close(IEditorLink& editor);

 private:
  // What the platform keeps while the window is open (on Linux: the run-loop registration).
  struct PlatformState;
  std::unique_ptr<PlatformState> state_;
  bool open_ = false;
};

}  // namespace fluvia
