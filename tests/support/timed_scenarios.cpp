#include "tests/support/timed_scenarios.h"

#include <algorithm>

namespace fluvia {
namespace test_support {
namespace {

// Parameter indices of the instrument (the ASCII order of the names).
constexpr int kAmpFadeInOut = 0;
constexpr int kAmpMainVolume = 1;
constexpr int kSoundfieldAmt = 17;
constexpr int kParticlesCollisions = 9;

TimedEvent Midi(long frame, uint8_t status, uint8_t data1, uint8_t data2) {
  TimedEvent e;
  e.frame = frame;
  e.kind = TimedEvent::Kind::Midi;
  e.status = status;
  e.data1 = data1;
  e.data2 = data2;
  return e;
}
TimedEvent On(long frame, uint8_t key, uint8_t velocity = 100) { return Midi(frame, 0x90, key, velocity); }
TimedEvent Off(long frame, uint8_t key) { return Midi(frame, 0x80, key, 0); }
TimedEvent Cc(long frame, uint8_t controller, uint8_t value) { return Midi(frame, 0xB0, controller, value); }
TimedEvent Param(long frame, int index, double normalised) {
  TimedEvent e;
  e.frame = frame;
  e.kind = TimedEvent::Kind::Param;
  e.param = index;
  e.normalised = normalised;
  return e;
}

TimedScenario Scenario(std::string name, std::vector<TimedEvent> events) {
  // Short notes speak at once with the fading knob at 0.
  events.insert(events.begin(), Param(0, kAmpFadeInOut, 0.0));
  return {std::move(name), std::move(events), 6000};
}

}  // namespace

std::vector<TimedScenario> TimedScenarios() {
  return {
      Scenario("notes on and off inside one block",
               {On(100, 60), Off(340, 60), On(700, 67, 90), Off(1900, 67), On(2049, 72),
                Off(2050, 72)}),
      Scenario("legato inside a block",
               {On(50, 60), On(400, 64), Off(800, 64), On(801, 67), Off(1500, 60), Off(2500, 67)}),
      Scenario("velocity 0 ends a note", {On(130, 62), Midi(530, 0x90, 62, 0), On(3000, 62)}),
      Scenario("controllers mid-block",
               {Cc(10, 64, 127), On(60, 60), Cc(333, 7, 40), Off(600, 60), Cc(900, 64, 0),
                On(1200, 65), Cc(1300, 1, 100), Cc(1500, 123, 0), On(2500, 60), Cc(2600, 12, 127)}),
      Scenario("several points of one parameter",
               {On(0, 60), Param(0, kAmpMainVolume, 0.9), Param(100, kAmpMainVolume, 0.2),
                Param(101, kAmpMainVolume, 0.7), Param(777, kAmpMainVolume, 0.1),
                Param(250, kSoundfieldAmt, 1.0), Param(1500, kAmpMainVolume, 1.0),
                Param(1501, kParticlesCollisions, 0.9), Param(4000, kSoundfieldAmt, 0.0)}),
      Scenario("events on the last frame of a block and just beyond",
               {On(511, 60), Off(512, 60), On(1023, 62), Param(1024, kAmpMainVolume, 0.3),
                Off(2047, 62), On(2048, 64), Param(4095, kAmpMainVolume, 0.8), Off(4095, 64),
                On(4096, 66), Off(5999, 66)}),
      Scenario("events at one frame in both orders",
               {On(200, 60), Cc(200, 7, 20), Cc(600, 7, 120), On(600, 62),
                Param(900, kAmpMainVolume, 0.4), Off(900, 62), Off(1400, 60),
                On(1400, 64), Param(1400, kAmpMainVolume, 0.9), Param(1400, kAmpMainVolume, 0.6)}),
  };
}

const std::vector<int>& InvariantBlockSizes() {
  static const std::vector<int> sizes = {1, 7, 64, 333, 512, 1024, 4096};
  return sizes;
}

StereoSamples PlayScenario(const TimedScenario& scenario, int blockSize, TimedSink& sink) {
  StereoSamples out;
  out.left.assign(size_t(scenario.frames), 0.0);
  out.right.assign(size_t(scenario.frames), 0.0);
  // Events go to the block holding their frame, in the scenario's order.
  std::vector<const TimedEvent*> pending;
  for (const TimedEvent& e : scenario.events) pending.push_back(&e);
  for (long start = 0; start < scenario.frames; start += blockSize) {
    const int frames = int(std::min<long>(blockSize, scenario.frames - start));
    for (const TimedEvent* e : pending) {
      if (e->frame < start || e->frame >= start + frames) continue;
      const int offset = int(e->frame - start);
      if (e->kind == TimedEvent::Kind::Midi) {
        sink.Midi(e->status, e->data1, e->data2, offset);
      } else {
        sink.Param(e->param, e->normalised, offset);
      }
    }
    sink.Render(out.left.data() + start, out.right.data() + start, frames);
  }
  return out;
}

long FirstDifference(const StereoSamples& a, const StereoSamples& b) {
  const size_t n = std::min(a.left.size(), b.left.size());
  for (size_t i = 0; i < n; ++i) {
    if (a.left[i] != b.left[i] || a.right[i] != b.right[i]) return long(i);
  }
  return a.left.size() == b.left.size() ? -1 : long(n);
}

}  // namespace test_support
}  // namespace fluvia
