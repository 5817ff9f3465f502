// fluvia-render's VST3 player against the instrument linked into the tool: the same note,
// parameters and blocks must give the same samples. The module keeps its own noise state,
// which starts fresh with the load like the linked engine's at process start.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vst3/plugin_fixture.h"
#include "tools/render/instrument_player.h"
#include "tools/render/vst3_player.h"

namespace fluvia::vst3test {
namespace {

std::vector<float> Play(render::Player& player, std::string& error) {
  std::vector<float> out;
  if (!player.Prepare(48000.0, 480, error)) return out;
  for (const auto& [name, value] :
       {std::pair<const char*, double>{"AmpMainVolume", 0.5}, {"SoundfieldAmt", 0.4},
        {"ContainerSize", 0.3}, {"HostTempoBpm", 90.0}}) {
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

TEST(Vst3RenderPlayer, PlaysTheBundleLikeTheLinkedInstrument) {
  std::string error;
  render::InstrumentPlayer linked;
  const std::vector<float> expected = Play(linked, error);
  ASSERT_EQ(expected.size(), size_t(60 * 960)) << error;

  auto vst3 = render::MakeVst3Player(BundlePath(), error);
  ASSERT_TRUE(vst3) << error;
  const std::vector<float> actual = Play(*vst3, error);
  ASSERT_EQ(actual.size(), expected.size()) << error;

  double peak = 0.0;
  for (float s : actual) peak = std::max(peak, double(std::fabs(s)));
  EXPECT_GT(peak, 1e-3);
  EXPECT_EQ(actual, expected);

  EXPECT_FALSE(vst3->SetParameter("NoSuchParameter", 0.5, error));
  EXPECT_NE(error.find("NoSuchParameter"), std::string::npos);
}

TEST(Vst3RenderPlayer, ReportsBundlesThatCannotBeLoaded) {
  std::string error;
  EXPECT_FALSE(render::MakeVst3Player("/nonexistent/Missing.vst3", error));
  EXPECT_NE(error.find("Missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace fluvia::vst3test
