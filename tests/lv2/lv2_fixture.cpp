#include "tests/lv2/lv2_fixture.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "adapters/lv2/lv2_uris.h"
#include "instrument/fluvia.h"

namespace fluvia::lv2test {

std::unique_ptr<lv2host::Lv2Module> Lv2Test::module_;

const char* BundlePath() { return FLUVIA_TEST_LV2_BUNDLE; }

const std::vector<Lv2ControlPort>& ControlPorts() {
  static const std::vector<Lv2ControlPort> ports = [] {
    FluviaOptions options;
    options.api = PluginApi::LV2;
    options.presetFolder =
        (std::filesystem::temp_directory_path() / "fluvia-lv2-test-unused").string();
    Fluvia instrument(options);
    return Lv2ControlPorts(instrument);
  }();
  return ports;
}

std::vector<float> Defaults() {
  std::vector<float> values;
  for (const Lv2ControlPort& port : ControlPorts()) values.push_back(port.defaultValue);
  return values;
}

int SlotOf(int param) {
  const auto& ports = ControlPorts();
  for (size_t k = 0; k < ports.size(); ++k) {
    if (ports[k].param == param) return int(k);
  }
  return -1;
}

void UsePrivateHome() {
  static bool done = false;
  if (done) return;
  done = true;
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("fluvia-lv2-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
}

std::unique_ptr<lv2host::Lv2Module> LoadModuleOrFail() {
  std::string error;
  auto module = lv2host::Lv2Module::Load(BundlePath(), kLv2BinaryName, kLv2PluginUri, error);
  EXPECT_NE(module, nullptr) << error;
  return module;
}

double Stereo::PeakFrom(size_t first, size_t end) const {
  double peak = 0.0;
  for (const auto* channel : {&left, &right}) {
    for (size_t i = first; i < std::min(end, channel->size()); ++i) {
      peak = std::max(peak, double(std::fabs((*channel)[i])));
    }
  }
  return peak;
}

double Stereo::Peak() const { return PeakFrom(0, left.size()); }

bool Stereo::AllFinite() const {
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) {
      if (!std::isfinite(s)) return false;
    }
  }
  return true;
}

double StateParam(const std::vector<uint8_t>& state, int param) {
  double value = 0.0;
  if (state.size() >= size_t(8 * (param + 1))) std::memcpy(&value, state.data() + 8 * param, 8);
  return value;
}

void Lv2Test::SetUpTestSuite() {
  if (module_) return;
  UsePrivateHome();
  module_ = LoadModuleOrFail();
}

void Lv2Test::TearDownTestSuite() {}

void Lv2Test::SetUp() {
  ASSERT_NE(module_, nullptr);
  instance_ = NewInstance();
  ASSERT_NE(instance_, nullptr);
}

std::unique_ptr<lv2host::Lv2Instance> Lv2Test::NewInstance(
    const lv2host::Lv2Instance::Options& options) {
  std::string error;
  auto instance =
      lv2host::Lv2Instance::Create(*module_, Defaults(), kLv2FirstControlPort, options, error);
  EXPECT_NE(instance, nullptr) << error;
  return instance;
}

void Lv2Test::Render(Stereo& out, int blocks, int frames) {
  std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int b = 0; b < blocks; ++b) {
    instance_->Run(left.data(), right.data(), uint32_t(frames));
    out.left.insert(out.left.end(), left.begin(), left.end());
    out.right.insert(out.right.end(), right.begin(), right.end());
  }
}

std::vector<uint8_t> Lv2Test::SavedState() {
  std::vector<lv2host::StateProperty> properties;
  EXPECT_TRUE(instance_->SaveState(properties));
  EXPECT_EQ(properties.size(), 1u);
  if (properties.size() != 1) return {};
  EXPECT_EQ(properties[0].key, kLv2StateKeyUri);
  EXPECT_EQ(properties[0].type, "http://lv2plug.in/ns/ext/atom#Chunk");
  return properties[0].value;
}

}  // namespace fluvia::lv2test
