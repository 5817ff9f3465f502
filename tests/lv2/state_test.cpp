// The saved state: one chunk of the same bytes the VST3 module saves, restored exactly, and
// moving between the two formats both ways.

#include <cstring>

#include "engine/engine_params.h"
#include "tests/lv2/lv2_fixture.h"
#include "tests/vst3/byte_stream.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::lv2test {
namespace {

using Lv2State = Lv2Test;

const char* kKey = "https://velmora.audio/plugins/fluvia#state";
const char* kChunk = "http://lv2plug.in/ns/ext/atom#Chunk";

std::vector<uint8_t> WithParam(std::vector<uint8_t> state, int param, double value) {
  if (state.size() >= size_t(8 * (param + 1))) std::memcpy(&state[size_t(8 * param)], &value, 8);
  return state;
}

TEST_F(Lv2State, TheStateIsOneChunkThatRestoresExactly) {
  const std::vector<uint8_t> initial = SavedState();
  ASSERT_EQ(initial.size(), 212u);  // 26 doubles and the bypass flag
  EXPECT_EQ(StateParam(initial, kAmpMainVolume), 0.75);
  // Values no float port could carry survive the trip unchanged.
  std::vector<uint8_t> saved = WithParam(initial, kAmpMainVolume, 0.1234567890123);
  saved = WithParam(saved, kContainerSize, 1.0 / 3.0);
  ASSERT_EQ(lv2().RestoreState({{kKey, kChunk, 0, saved}}), LV2_STATE_SUCCESS);
  EXPECT_EQ(SavedState(), saved);
  // Into a fresh instance.
  auto other = NewInstance();
  ASSERT_TRUE(other);
  ASSERT_EQ(other->RestoreState({{kKey, kChunk, 0, saved}}), LV2_STATE_SUCCESS);
  std::vector<lv2host::StateProperty> again;
  ASSERT_TRUE(other->SaveState(again));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].value, saved);
  EXPECT_NE(again[0].flags & LV2_STATE_IS_PORTABLE, 0u);
}

class CrossFormatState : public Lv2State {
 protected:
  static void SetUpTestSuite() {
    Lv2State::SetUpTestSuite();
    std::string error;
    vst3Module_ = vst3host::Vst3Module::Load(FLUVIA_TEST_VST3_BUNDLE, error);
    ASSERT_NE(vst3Module_, nullptr) << error;
  }
  void SetUp() override {
    Lv2State::SetUp();
    std::string error;
    vst3_ = vst3host::Vst3Plugin::Create(*vst3Module_, host_, error);
    ASSERT_NE(vst3_, nullptr) << error;
  }
  void TearDown() override {
    vst3_.reset();
    Lv2State::TearDown();
  }
  std::vector<uint8_t> Vst3State() {
    vst3test::ByteStream stream;
    EXPECT_EQ(vst3_->Component()->getState(&stream), Steinberg::kResultOk);
    return stream.Bytes();
  }
  void SetVst3State(const std::vector<uint8_t>& bytes) {
    vst3test::ByteStream stream(bytes);
    EXPECT_EQ(vst3_->Component()->setState(&stream), Steinberg::kResultOk);
  }

  static std::unique_ptr<vst3host::Vst3Module> vst3Module_;
  vst3host::HostApplication host_{"fluvia lv2 tests"};
  std::unique_ptr<vst3host::Vst3Plugin> vst3_;
};
std::unique_ptr<vst3host::Vst3Module> CrossFormatState::vst3Module_;

TEST_F(CrossFormatState, AVst3StateRestoresInLv2AndBack) {
  const std::vector<uint8_t> defaults = Vst3State();
  ASSERT_EQ(defaults, SavedState()) << "the two modules start from different states";
  const std::vector<uint8_t> fromVst3 =
      WithParam(WithParam(defaults, kSoundfieldAmt, 0.61), kParticlesCollisions, 0.0123);
  SetVst3State(fromVst3);
  ASSERT_EQ(Vst3State(), fromVst3);
  ASSERT_EQ(lv2().RestoreState({{kKey, kChunk, 0, Vst3State()}}), LV2_STATE_SUCCESS);
  EXPECT_EQ(SavedState(), fromVst3);

  const std::vector<uint8_t> fromLv2 = WithParam(fromVst3, kAmpFadeInOut, 0.987654321);
  ASSERT_EQ(lv2().RestoreState({{kKey, kChunk, 0, fromLv2}}), LV2_STATE_SUCCESS);
  SetVst3State(SavedState());
  EXPECT_EQ(Vst3State(), fromLv2);
}

}  // namespace
}  // namespace fluvia::lv2test
