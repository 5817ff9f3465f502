#pragma once
// Tells a double-click from two single clicks by the press times and places, as desktop
// window systems do (X itself only reports presses).

namespace fluvia {

class DoubleClickDetector {
 public:
  static constexpr unsigned long kDefaultIntervalMs = 500;
  static constexpr int kDefaultSlopPixels = 4;

  explicit DoubleClickDetector(unsigned long intervalMs = kDefaultIntervalMs,
                               int slopPixels = kDefaultSlopPixels)
      : intervalMs_(intervalMs), slop_(slopPixels) {}

  // A press of `button` at server time `timeMs`; true when it completes a double-click. The
  // press that completes one starts afresh, so a third quick press is a single click again.
  bool Press(unsigned button, unsigned long timeMs, int x, int y);
  // Forgets the last press (the window closed, a menu took the mouse).
  void Reset() { armed_ = false; }

 private:
  unsigned long intervalMs_;
  int slop_;
  bool armed_ = false;
  unsigned lastButton_ = 0;
  unsigned long lastTime_ = 0;
  int lastX_ = 0;
  int lastY_ = 0;
};

}  // namespace fluvia
