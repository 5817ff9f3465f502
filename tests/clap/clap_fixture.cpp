#include "tests/clap/clap_fixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fluvia::claptest {
namespace {

// One home per test process: discovered tests run as processes of their own.
const std::filesystem::path kHome = [] {
  const auto home = std::filesystem::temp_directory_path() /
                    ("fluvia-clap-home-" + std::to_string(getpid()));
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home / "Documents");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(kHome, ignored);
  });
  return home;
}();

}  // namespace

const char* ModulePath() { return FLUVIA_TEST_CLAP_MODULE; }
const char* Vst3BundlePath() { return FLUVIA_TEST_VST3_BUNDLE; }
std::string TestHome() { return kHome.string(); }

std::unique_ptr<claphost::ClapModule> LoadModuleOrFail() {
  std::string error;
  auto module = claphost::ClapModule::Load(ModulePath(), error);
  EXPECT_TRUE(module) << error;
  return module;
}

double Stereo::Peak() const {
  double peak = 0.0;
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) peak = std::max(peak, double(std::fabs(s)));
  }
  return peak;
}

bool Stereo::AllFinite() const {
  for (const auto* channel : {&left, &right}) {
    for (float s : *channel) {
      if (!std::isfinite(s)) return false;
    }
  }
  return true;
}

int Stereo::FirstFrameAbove(double threshold) const {
  for (size_t i = 0; i < left.size(); ++i) {
    if (double(std::fabs(left[i])) > threshold || double(std::fabs(right[i])) > threshold) {
      return int(i);
    }
  }
  return -1;
}

void ClapTest::SetUp() {
  module_ = LoadModuleOrFail();
  ASSERT_TRUE(module_);
  std::string error;
  plugin_ = claphost::ClapInstance::Create(*module_, host_, error);
  ASSERT_TRUE(plugin_) << error;
}

void ClapTest::Reload() {
  plugin_.reset();
  module_.reset();
  SetUp();
}

void ClapTest::TearDown() {
  plugin_.reset();
  module_.reset();
}

void ClapTest::Start(double sampleRate, uint32_t maxBlock) {
  ASSERT_TRUE(plugin_->Start(sampleRate, 1, maxBlock));
}

void ClapTest::Render(Stereo& out, int blocks, uint32_t frames) {
  std::vector<float> left(frames), right(frames);
  for (int b = 0; b < blocks; ++b) {
    ASSERT_EQ(plugin_->Process(left.data(), right.data(), frames), clap::kProcessContinue);
    plugin_->Events().Clear();
    out.left.insert(out.left.end(), left.begin(), left.end());
    out.right.insert(out.right.end(), right.begin(), right.end());
  }
}

}  // namespace fluvia::claptest
