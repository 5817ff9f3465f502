#pragma once
// The instrument played the way an adapter plays it (its processing calls inside an audio
// thread scope, without the instance mutex), with a preset folder of its own holding two
// library presets, and the helpers the hand-over tests share.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_params.h"
#include "instrument/fluvia.h"
#include "presets/preset_library_impl.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia::testing {

// Preset 3 ("SFX - Shower") and preset 4 ("SFX - Waterfall") of the library, as files.
inline const char* kShower =
    "<SystemEnergyAmt>0.9</SystemEnergyAmt><SoundfieldAmt>0.4</SoundfieldAmt>"
    "<ContainerSize>0.25</ContainerSize>";
inline const char* kWaterfall =
    "<SystemEnergyAmt>0.2</SystemEnergyAmt><SoundfieldAmt>0.7</SoundfieldAmt>"
    "<ContainerSize>0.75</ContainerSize>";

// Waits (at most a few seconds) until `done` holds; false when it never did.
inline bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 4000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Test double of a format adapter whose host plays in real time (or offline) and answers the
// rest as a plain host.
class PlayingHost : public IHostLink {
 public:
  void BeginParamEdit(int) override {}
  void ReportParamChange(int, double) override {}
  void EndParamEdit(int) override {}
  void ReportPresetChange() override {}
  bool IsOfflineRendering() override { return offline; }
  int32_t SamplePosition() override { return 0; }
  double HostTempo() override { return 120.0; }
  void TimeSignature(int& n, int& d) override { n = 4, d = 4; }
  void FillTimeInfo(TimeInfo&) override {}
  void ResizeEditor(int, int) override {}
  bool SendMidi(const MidiMessage&) override { return false; }
  std::atomic<bool> offline{false};
};

class HandOverTest : public ::testing::Test {
 protected:
  static constexpr int kBlock = 256;

  explicit HandOverTest(FluviaOptions options = {})
      : folder(scratch.Path() + "Presets/"), plugin(WithFolder(options, folder)) {
    plugin.SetHostLink(&host);
    ScratchFolder::Write(folder + "Factory/SFX - Shower.fluviapreset", kShower);
    ScratchFolder::Write(folder + "Factory/SFX - Waterfall.fluviapreset", kWaterfall);
    plugin.SetOutputChannelConnections(0, 2, true);
    plugin.SetSampleRate(48000.0);
    plugin.SetMaxBlockSize(kBlock);
    plugin.ResetDsp();
  }

  static FluviaOptions WithFolder(FluviaOptions options, const std::string& folder) {
    options.presetFolder = folder;
    return options;
  }

  // One processing call, as an adapter makes it.
  void Block(int frames = kBlock) {
    left.assign(size_t(frames), 0.0);
    right.assign(size_t(frames), 0.0);
    double* outs[] = {left.data(), right.data()};
    AudioThreadScope audio(plugin);
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(frames);
  }
  void Point(int index, double value, int offset = 0) {
    AudioThreadScope audio(plugin);
    plugin.AddParamPoint(index, plugin.GetParam(index)->ToNormalised(value), offset);
  }
  void NoteOn(int key, int offset = 0) {
    AudioThreadScope audio(plugin);
    plugin.ProcessMidi({offset, 0x90, uint8_t(key), 100});
  }

  // Until the module's worker has run what waits for it (it runs each command under the
  // instance mutex, so once the queue is empty and the mutex free, it is done).
  bool WorkerCaughtUp() {
    if (!Eventually([&] { return !plugin.HasDeferredWork(); })) return false;
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    return true;
  }

  double Value(int index) const { return plugin.GetParam(index)->Value(); }
  double EngineValue(int index) const { return plugin.Engine().Parameter(index); }
  PresetLibrary& Library() {
    auto* library = dynamic_cast<PresetLibrary*>(plugin.Presets());
    if (!library) throw std::logic_error("the instrument has no preset library");
    return *library;
  }

  PlayingHost host;  // outlives the instrument, which refers to it
  ScratchFolder scratch;
  std::string folder;
  Fluvia plugin;
  std::vector<double> left, right;
};

}  // namespace fluvia::testing
