// Playing the module through the LV2 interfaces: notes act at their frame, control ports at
// the start of a block and only when the host changes them, the host's tempo reaches the
// instrument, and blocks of any length render.

#include <cmath>
#include <cstring>

#include "engine/engine_params.h"
#include "tests/lv2/lv2_fixture.h"

namespace fluvia::lv2test {
namespace {

using Lv2Process = Lv2Test;

TEST_F(Lv2Process, ANoteSoundsFromItsFrameAndItsReleaseEnds) {
  lv2().NoteOn(300, 60, 100);
  Stereo out;
  Render(out, 1, 512);
  EXPECT_EQ(out.PeakFrom(0, 300), 0.0) << "sound before the note's frame";
  Render(out, 200, 512);
  EXPECT_GT(out.PeakFrom(512, out.left.size()), 1e-3);
  EXPECT_TRUE(out.AllFinite());
  lv2().NoteOff(0, 60);
  Stereo tail;
  Render(tail, 400, 512);  // the default fading releases within a few seconds
  EXPECT_EQ(tail.PeakFrom(tail.left.size() - 512, tail.left.size()), 0.0);
}

TEST_F(Lv2Process, AControlPortActsWhenTheHostChangesIt) {
  const int volume = SlotOf(kAmpMainVolume);
  ASSERT_GE(volume, 0);
  lv2().NoteOn(0, 60, 100);
  Stereo out;
  Render(out, 100, 512);
  const double loud = out.PeakFrom(out.left.size() - 512, out.left.size());
  ASSERT_GT(loud, 1e-3);
  lv2().Controls()[size_t(volume)] = 0.0f;
  Stereo quiet;
  Render(quiet, 1, 512);
  EXPECT_EQ(StateParam(SavedState(), kAmpMainVolume), 0.0);
  Render(quiet, 40, 512);  // the engine glides to the new volume
  EXPECT_LT(quiet.PeakFrom(quiet.left.size() - 512, quiet.left.size()), 0.01 * loud);
}

TEST_F(Lv2Process, UnchangedPortsDoNotUndoARestoredState) {
  std::vector<uint8_t> state = SavedState();
  ASSERT_EQ(state.size(), 212u);
  const double volume = 0.125;
  std::memcpy(state.data() + 8 * kAmpMainVolume, &volume, 8);
  std::vector<lv2host::StateProperty> properties(1);
  properties[0] = {"https://velmora.audio/plugins/fluvia#state",
                   "http://lv2plug.in/ns/ext/atom#Chunk", 0, state};
  ASSERT_EQ(lv2().RestoreState(properties), LV2_STATE_SUCCESS);
  Stereo out;
  Render(out, 2, 256);  // the port still holds the default 0.75
  EXPECT_EQ(StateParam(SavedState(), kAmpMainVolume), volume);
}

TEST_F(Lv2Process, TheHostTempoReachesTheInstrument) {
  Stereo out;
  Render(out, 1, 256);
  EXPECT_EQ(StateParam(SavedState(), kHostTempoBpm), 120.0) << "before the host says otherwise";
  lv2().AddPosition(0, 93.5f, 1.0f, 48000);
  Render(out, 1, 256);
  EXPECT_EQ(StateParam(SavedState(), kHostTempoBpm), 93.5);
  Render(out, 3, 256);  // positions come only on changes; the tempo stays
  EXPECT_EQ(StateParam(SavedState(), kHostTempoBpm), 93.5);
}

TEST_F(Lv2Process, PlaysAtTheUsualRates) {
  for (double rate : {44100.0, 88200.0, 96000.0, 192000.0}) {
    SCOPED_TRACE(rate);
    lv2host::Lv2Instance::Options options;
    options.sampleRate = rate;
    auto instance = NewInstance(options);
    ASSERT_TRUE(instance);
    instance->NoteOn(0, 60, 100);
    std::vector<float> left(512), right(512);
    double peak = 0.0;
    for (int b = 0; b < int(rate / 512) + 1; ++b) {  // about a second
      instance->Run(left.data(), right.data(), 512);
      for (float s : left) {
        ASSERT_TRUE(std::isfinite(s));
        peak = std::max(peak, double(std::fabs(s)));
      }
    }
    EXPECT_GT(peak, 1e-3);
  }
}

TEST_F(Lv2Process, ZeroFramesRenderNothingAndChangeNothingElse) {
  std::vector<float> left(4, 7.0f), right(4, 7.0f);
  lv2().Run(left.data(), right.data(), 0);
  EXPECT_EQ(left[0], 7.0f);
}

}  // namespace
}  // namespace fluvia::lv2test
