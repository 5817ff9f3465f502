#include "tests/vst2/vst2_fixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace fluvia::vst2test {

std::unique_ptr<vst2host::Vst2Module> Vst2Test::module_;

const char* ModulePath() { return FLUVIA_TEST_VST2_MODULE; }

double Stereo::Peak() const {
  double peak = 0.0;
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) peak = std::max(peak, double(std::fabs(s)));
  }
  return peak;
}

void Vst2Test::SetUpTestSuite() {
  if (module_) return;
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("fluvia-vst2-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  std::string error;
  module_ = vst2host::Vst2Module::Load(ModulePath(), error);
  if (!module_) FAIL() << error;
}

void Vst2Test::SetUp() {
  ASSERT_NE(module_, nullptr);
  instance_ = NewInstance();
  ASSERT_NE(instance_, nullptr);
}

std::unique_ptr<vst2host::Vst2Instance> Vst2Test::NewInstance() {
  std::string error;
  auto instance = vst2host::Vst2Instance::Create(*module_, error);
  EXPECT_NE(instance, nullptr) << error;
  return instance;
}

std::string Vst2Test::Text(int32_t opcode, int32_t index) {
  char text[512] = {};
  Dispatch(opcode, index, 0, text);
  return text;
}

std::unique_ptr<vst2host::Vst2Module> LoadFreshCopy(const std::string& tag) {
  const std::filesystem::path copy = std::filesystem::temp_directory_path() /
      ("fluvia-vst2-" + std::to_string(getpid()) + "-" + tag + ".so");
  std::filesystem::copy_file(ModulePath(), copy,
                             std::filesystem::copy_options::overwrite_existing);
  std::string error;
  auto module = vst2host::Vst2Module::Load(copy.string(), error);
  EXPECT_NE(module, nullptr) << error;
  std::filesystem::remove(copy);  // the loaded image stays valid
  return module;
}

Stereo RenderFloat(vst2host::Vst2Instance& plugin, int blocks, int frames) {
  Stereo out;
  const size_t n = static_cast<size_t>(frames);
  std::vector<float> inL(n, 0.0f), inR(n, 0.0f), left(n), right(n);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {left.data(), right.data()};
  for (int b = 0; b < blocks; ++b) {
    plugin.ProcessReplacing(inputs, outputs, frames);
    out.left.insert(out.left.end(), left.begin(), left.end());
    out.right.insert(out.right.end(), right.begin(), right.end());
  }
  return out;
}

void Note(vst2host::Vst2Instance& plugin, int key, int velocity) {
  vst2host::SentMidi message;
  message.bytes[0] = velocity > 0 ? 0x90 : 0x80;
  message.bytes[1] = uint8_t(key);
  message.bytes[2] = uint8_t(velocity);
  EXPECT_EQ(plugin.SendMidi({message}), 1);
}

}  // namespace fluvia::vst2test
