#pragma once
// A plug-in core with the instrument's 26 parameters and a host link that writes down what
// the editor tells the host, for driving editors in tests.

#include <memory>
#include <string>
#include <vector>

#include "framework/host_link.h"
#include "framework/plugin_core.h"

namespace fluvia::testing {

// Parameter numbers the tests use by name.
enum : int {
  kAmpFadeInOut = 0,
  kAmpMainVolume = 1,
  kContainerDamping = 2,
  kContainerSize = 3,
  kHostTempoBpm = 5,
  kParticlesCollisions = 9,
  kParticlesMassSpread = 10,
  kParticlesWeightVelocityRatio = 11,
  kPresetBackward = 12,
  kPresetForward = 13,
  kPresetLoad = 14,
  kPresetSave = 15,
  kPresetSelector = 16,
  kSoundfieldAmt = 17,
  kSystemEnergyAmt = 18,
  kZInitParams = 25,
};

class RecordingHost : public IHostLink {
 public:
  void BeginParamEdit(int index) override { Log("begin", index); }
  void ReportParamChange(int index, double normalised) override {
    Log("change", index);
    changes.push_back({index, normalised});
  }
  void EndParamEdit(int index) override { Log("end", index); }
  void ReportPresetChange() override {}
  int32_t SamplePosition() override { return 0; }
  double HostTempo() override { return 120.0; }
  void TimeSignature(int& n, int& d) override { n = 4, d = 4; }
  void FillTimeInfo(TimeInfo&) override {}
  void ResizeEditor(int width, int height) override {
    events.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
  }
  bool SendMidi(const MidiMessage&) override { return false; }
  void ShowHostParamMenu(int index, int x, int y) override {
    events.push_back("menu " + std::to_string(index) + " at " + std::to_string(x) + "," +
                     std::to_string(y));
  }

  struct Change {
    int index;
    double normalised;
  };
  std::vector<std::string> events;
  std::vector<Change> changes;

 private:
  void Log(const char* what, int index) {
    events.push_back(std::string(what) + " " + std::to_string(index));
  }
};

class TestPlugin : public IPluginCore {
 public:
  explicit TestPlugin(PluginApi api = PluginApi::VST3);

  void ParamChanged(int index) override { paramChanges.push_back(index); }

  RecordingHost host;
  std::vector<int> paramChanges;
};

}  // namespace fluvia::testing
