#pragma once
// The built Fluvia.so, loaded with dlopen the way a host loads it and driven only through its
// entry point and effect record.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "tools/vst2host/vst2_host.h"

namespace fluvia::vst2test {

// Where the build put the module.
const char* ModulePath();

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
  double Peak() const;
};

class Vst2Test : public ::testing::Test {
 protected:
  // The module stays loaded for the whole test program, as a host keeps it; the preset
  // library of every instance lives under a scratch HOME.
  static void SetUpTestSuite();

  void SetUp() override;
  void TearDown() override { instance_.reset(); }

  // A further instance of the same module (closed when the pointer goes).
  std::unique_ptr<vst2host::Vst2Instance> NewInstance();
  vst2host::Vst2Instance& plugin() { return *instance_; }
  vst2::Effect* effect() { return instance_->Effect(); }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float option = 0.0f) {
    return instance_->Dispatch(opcode, index, value, ptr, option);
  }
  // A text opcode's answer, read from a generous buffer.
  std::string Text(int32_t opcode, int32_t index = 0);

  static std::unique_ptr<vst2host::Vst2Module> module_;
  std::unique_ptr<vst2host::Vst2Instance> instance_;
};

// A private copy of the module, loaded on its own: its module-wide state (the engine's noise
// generator) starts afresh, so instances of separate copies fed alike play alike.
std::unique_ptr<vst2host::Vst2Module> LoadFreshCopy(const std::string& tag);

// Renders `blocks` blocks of `frames` frames with the 32-bit replacing entry.
Stereo RenderFloat(vst2host::Vst2Instance& plugin, int blocks, int frames);
// A note-on (or off, with velocity 0) on channel 1 through the process-events opcode.
void Note(vst2host::Vst2Instance& plugin, int key, int velocity);

}  // namespace fluvia::vst2test
