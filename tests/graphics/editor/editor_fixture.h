#pragma once
// A headless editor owned by a test plug-in: add controls, then Attach() hands the editor to
// the plug-in (which sends it every parameter value and prepares drawing) and opens its
// window.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/headless/graphics_headless.h"
#include "tests/graphics/editor/probe_control.h"
#include "tests/graphics/editor/test_plugin.h"

namespace fluvia::testing {

class EditorFixture {
 public:
  explicit EditorFixture(PluginApi api = PluginApi::VST3, ArtworkSet set = ArtworkSet::Large,
                         HeadlessOptions options = {})
      : plugin(api),
        owned_(std::make_unique<IGraphicsHeadless>(plugin, set, std::move(options))),
        graphics(*owned_) {}

  template <typename Control, typename... Args>
  Control& Add(Args&&... args) {
    auto control = std::make_unique<Control>(plugin, std::forward<Args>(args)...);
    Control& ref = *control;
    graphics.AttachControl(std::move(control));
    return ref;
  }

  ProbeControl& Probe(const IBounds& rect, const std::string& name, int paramIdx = -1) {
    return Add<ProbeControl>(rect, name, log, paramIdx);
  }

  void Attach() {
    plugin.AttachEditor(std::move(owned_));
    graphics.OpenWindow(nullptr);
  }

  // Draw until nothing is dirty (a value change keeps a control dirty for one more cycle)
  // and forget what was logged.
  void Settle() {
    for (int i = 0; i < 4 && graphics.Tick(); ++i) {
    }
    log.clear();
    plugin.host.events.clear();
  }

  TestPlugin plugin;
  std::vector<std::string> log;

 private:
  std::unique_ptr<IGraphicsHeadless> owned_;

 public:
  IGraphicsHeadless& graphics;
};

}  // namespace fluvia::testing
