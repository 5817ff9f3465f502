#pragma once
// The built Fluvia.lv2, loaded the way an LV2 host loads it (its binary opened, the plug-in
// found by URI, instantiated with the host's features) and driven through the LV2 interfaces
// only. The control ports' defaults come from the same port table the module is described by.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "adapters/lv2/lv2_ports.h"
#include "tools/lv2host/lv2_host.h"

namespace fluvia::lv2test {

const char* BundlePath();
// The control ports of the module, in port order.
const std::vector<Lv2ControlPort>& ControlPorts();
std::vector<float> Defaults();
// The port slot (0-based among the control ports) of a parameter; -1 for none.
int SlotOf(int param);

// A private HOME for the plug-in's preset folder and settings, set once per process.
void UsePrivateHome();

std::unique_ptr<lv2host::Lv2Module> LoadModuleOrFail();

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
  double Peak() const;
  double PeakFrom(size_t first, size_t end) const;
  bool AllFinite() const;
};

// Reads the doubles of the state block: parameter i is at byte 8 i.
double StateParam(const std::vector<uint8_t>& state, int param);

class Lv2Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override { instance_.reset(); }

  std::unique_ptr<lv2host::Lv2Instance> NewInstance(
      const lv2host::Lv2Instance::Options& options = {});
  lv2host::Lv2Instance& lv2() { return *instance_; }
  // Runs `blocks` blocks of `frames` frames, appending the output.
  void Render(Stereo& out, int blocks, int frames);
  // The state property the plug-in saves (one chunk).
  std::vector<uint8_t> SavedState();

  static std::unique_ptr<lv2host::Lv2Module> module_;
  std::unique_ptr<lv2host::Lv2Instance> instance_;
};

}  // namespace fluvia::lv2test
