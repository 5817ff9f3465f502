#pragma once
// A control that writes down which of its operations the editor called.

#include <string>
#include <vector>

#include "graphics/control.h"

namespace fluvia::testing {

class ProbeControl : public IControl {
 public:
  ProbeControl(IPluginCore& plugin, const IBounds& rect, std::string name,
               std::vector<std::string>& log, int paramIdx = -1)
      : IControl(plugin, rect, paramIdx), name_(std::move(name)), log_(log) {}

  void OnMouseDown(int x, int y, const IMouseKeys& keys) override {
    Log("down");
    IControl::OnMouseDown(x, y, keys);
  }
  void OnMouseUp(int, int, const IMouseKeys&) override { Log("up"); }
  void OnMouseDrag(int, int, int dx, int dy, const IMouseKeys&) override {
    Log("drag " + std::to_string(dx) + "," + std::to_string(dy));
  }
  void OnMouseDblClick(int, int, const IMouseKeys&) override { Log("dblclick"); }
  void OnMouseWheel(int, int, const IMouseKeys&, int notches) override {
    Log("wheel " + std::to_string(notches));
  }
  bool OnKeyDown(int, int, int key) override {
    Log("key " + std::to_string(key));
    return takesKeys;
  }
  void OnMouseOver(int, int, const IMouseKeys&) override { Log("over"); }
  void OnMouseOut() override { Log("out"); }
  bool Draw(IGraphics&) override {
    ++draws;
    Log("draw");
    return true;
  }

  bool takesKeys = true;
  int draws = 0;

 private:
  void Log(const std::string& what) { log_.push_back(name_ + " " + what); }

  std::string name_;
  std::vector<std::string>& log_;
};

}  // namespace fluvia::testing
