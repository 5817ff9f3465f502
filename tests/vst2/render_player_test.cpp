// fluvia-render's VST2 player: the built module against the instrument linked into the tool
// (the same note, parameters and blocks give the same samples), and a third-party module.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/vst2/vst2_fixture.h"
#include "tools/render/instrument_player.h"
#include "tools/render/vst2_player.h"

namespace fluvia::vst2test {
namespace {

std::vector<float> Play(render::Player& player, std::string& error) {
  std::vector<float> out;
  if (!player.Prepare(48000.0, 480, error)) return out;
  for (const auto& [name, value] :
       // Values a VST2 host's 32-bit parameters hold exactly; the knobs by name and by label.
       {std::pair<const char*, double>{"AmpMainVolume", 0.5}, {"SoundfieldAmt", 0.375},
        {"Size", 0.3125}}) {
    if (!player.SetParameter(name, value, error)) return {};
  }
  std::vector<float> left(480), right(480);
  player.NoteOn(62, 90, 17);
  for (int block = 0; block < 60; ++block) {
    if (block == 40) player.NoteOff(62, 100);
    player.Process(left.data(), right.data(), 480);
    out.insert(out.end(), left.begin(), left.end());
    out.insert(out.end(), right.begin(), right.end());
  }
  return out;
}

double Peak(const std::vector<float>& samples) {
  double peak = 0.0;
  for (float s : samples) peak = std::max(peak, double(std::fabs(s)));
  return peak;
}

// The module's noise state starts fresh when it loads, like the linked engine's at the start
// of this test program (no other test here creates an instrument before it).
TEST(Vst2RenderPlayer, PlaysTheModuleLikeTheLinkedInstrument) {
  std::string error;
  render::InstrumentPlayer linked;
  const std::vector<float> expected = Play(linked, error);
  ASSERT_EQ(expected.size(), size_t(60 * 960)) << error;

  auto vst2 = render::MakeVst2Player(ModulePath(), error);
  ASSERT_TRUE(vst2) << error;
  const std::vector<float> actual = Play(*vst2, error);
  ASSERT_EQ(actual.size(), expected.size()) << error;
  EXPECT_GT(Peak(actual), 1e-3);
  EXPECT_EQ(actual, expected);

  EXPECT_FALSE(vst2->SetParameter("NoSuchParameter", 0.5, error));
  EXPECT_NE(error.find("NoSuchParameter"), std::string::npos);
}

TEST(Vst2RenderPlayer, PlaysAThirdPartySynthesiser) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "amsynth leaks memory of its own, which the leak checker would report";
#endif
  const char* amsynth = "/usr/lib/vst/amsynth_vst.so";
  if (!std::filesystem::exists(amsynth)) GTEST_SKIP() << amsynth << " is not installed";
  const auto home = std::filesystem::temp_directory_path() / "fluvia-vst2-render-home";
  std::filesystem::create_directories(home);
  setenv("HOME", home.c_str(), 1);  // amsynth keeps its banks there
  std::string error;
  auto player = render::MakeVst2Player(amsynth, error);
  ASSERT_TRUE(player) << error;
  ASSERT_TRUE(player->Prepare(48000.0, 512, error)) << error;
  std::vector<float> left(512), right(512), all;
  player->NoteOn(57, 100, 0);
  for (int block = 0; block < 40; ++block) {
    player->Process(left.data(), right.data(), 512);
    all.insert(all.end(), left.begin(), left.end());
  }
  EXPECT_GT(Peak(all), 1e-3);
}

TEST(Vst2RenderPlayer, ReportsModulesThatCannotBeLoaded) {
  std::string error;
  EXPECT_FALSE(render::MakeVst2Player("/nonexistent/Missing.so", error));
  EXPECT_NE(error.find("Missing"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(render::MakeVst2Player("/usr/lib/x86_64-linux-gnu/libz.so.1", error));
  EXPECT_NE(error.find("VSTPluginMain"), std::string::npos) << error;
}

}  // namespace
}  // namespace fluvia::vst2test
