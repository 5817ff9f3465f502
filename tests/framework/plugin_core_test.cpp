#include "framework/plugin_core.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/framework/core_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentLikeConfig;
using testing::RecordingCore;

// Test double of a format adapter: records what the core reports to the host.
class RecordingHost : public IHostLink {
 public:
  void BeginParamEdit(int index) override { log.push_back("begin " + std::to_string(index)); }
  void ReportParamChange(int index, double normalised) override {
    log.push_back("change " + std::to_string(index) + " " + std::to_string(normalised));
  }
  void EndParamEdit(int index) override { log.push_back("end " + std::to_string(index)); }
  void ReportPresetChange() override {}
  int32_t SamplePosition() override { return 0; }
  double HostTempo() override { return 93.5; }
  void TimeSignature(int& n, int& d) override { n = 3, d = 4; }
  void FillTimeInfo(TimeInfo& info) override { info.tempo = 93.5; }
  void ResizeEditor(int, int) override {}
  bool SendMidi(const MidiMessage&) override { return true; }
  bool QueryHostIdentity(std::string& name, int32_t& version) override {
    name = "REAPER";
    version = 60203;
    return true;
  }
  std::vector<std::string> log;
};

// Test double of the editor: records the values the core hands to it.
class RecordingEditor : public IEditorLink {
 public:
  void SetParameterFromPlug(int index, double value, bool normalised) override {
    values.push_back({index, value, normalised});
  }
  void PrepareDrawing() override { prepared = true; }
  int Width() const override { return 1000; }
  int Height() const override { return 960; }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  bool WindowIsOpen() const override { return false; }
  struct Value {
    int index;
    double value;
    bool normalised;
  };
  std::vector<Value> values;
  bool prepared = false;
};

TEST(PluginCoreTest, ChannelConfigurationText) {
  IPluginCore two(InstrumentLikeConfig("1-1 2-2"));
  ASSERT_EQ(two.ChannelConfigurations().size(), 2u);
  EXPECT_EQ(two.NumInputs(), 2);
  EXPECT_EQ(two.NumOutputs(), 2);
  EXPECT_TRUE(two.LegalIO(1, -1));
  EXPECT_TRUE(two.LegalIO(-1, 2));
  EXPECT_FALSE(two.LegalIO(3, -1));

  IPluginCore odd(InstrumentLikeConfig("x-y 0-4"));
  ASSERT_EQ(odd.ChannelConfigurations().size(), 2u);
  EXPECT_EQ(odd.ChannelConfigurations()[0].inputs, 0);  // unreadable pair counts as 0-0
  EXPECT_EQ(odd.NumOutputs(), 4);
}

TEST(PluginCoreTest, InitialHostFacts) {
  IPluginCore core(InstrumentLikeConfig());
  EXPECT_EQ(core.SampleRate(), 44100.0);
  EXPECT_EQ(core.BlockSize(), 0);
  EXPECT_EQ(core.HostKindOf(), kHostNotIdentified);
  EXPECT_EQ(core.NumParams(), 26);
  EXPECT_EQ(core.GetParam(26), nullptr);
  EXPECT_EQ(core.GetParam(-1), nullptr);
  EXPECT_EQ(core.HostTempo(), 120.0);  // no host attached
}

TEST(PluginCoreTest, LazyHostIdentificationThroughTheHostLink) {
  IPluginCore core(InstrumentLikeConfig());
  RecordingHost host;
  core.SetHostLink(&host);
  EXPECT_EQ(core.HostKindOf(), 1);
  EXPECT_EQ(core.HostVersion(), 6 * 65536 + 2 * 256 + 3);
  EXPECT_EQ(core.HostTempo(), 93.5);
}

TEST(PluginCoreTest, StateMatchesUsesAStrictTolerance) {
  RecordingCore core;
  std::vector<double> values(27, 0.0);
  for (int i = 0; i < 26; ++i) values[size_t(i) + 1] = core.GetParam(i)->Value();
  EXPECT_TRUE(core.StateMatches(values.data(), 1));
  values[5] += 0.0000099;
  EXPECT_TRUE(core.StateMatches(values.data(), 1));
  values[5] = core.GetParam(4)->Value() + 0.000011;
  EXPECT_FALSE(core.StateMatches(values.data(), 1));
}

TEST(PluginCoreTest, EditorChangesReachTheHostAndTheInstrumentMarkedAsEditorChanges) {
  RecordingCore core;
  RecordingHost host;
  core.SetHostLink(&host);
  core.SetParamFromEditor(3, 0.25);
  EXPECT_EQ(core.GetParam(3)->Value(), 0.25);
  ASSERT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.log[0], "change 3 0.250000");
  ASSERT_EQ(core.changes.size(), 1u);
  EXPECT_EQ(core.changes[0].first, 3);
  EXPECT_EQ(core.changes[0].second, ParamChangeSource::Editor);
  EXPECT_EQ(core.ChangeSource(), ParamChangeSource::Host);  // the mark ends with the call

  core.SetParamFromEditor(99, 0.5);  // unknown index: nothing happens
  EXPECT_EQ(core.changes.size(), 1u);
}

TEST(PluginCoreTest, HiddenParametersAreNeverReportedToTheHostAndTheListOrderIsChecked) {
  RecordingCore core;
  RecordingHost host;
  core.SetHostLink(&host);
  core.GetParam(2)->SetHidden(true);
  core.BeginParamEdit(2);
  core.SetParamFromEditor(2, 1.0);  // a preset button: the instrument hears it, the host not
  core.EndParamEdit(2);
  EXPECT_TRUE(host.log.empty());
  ASSERT_EQ(core.changes.size(), 1u);
  EXPECT_EQ(core.changes[0].first, 2);
  core.BeginParamEdit(3);
  EXPECT_EQ(host.log, std::vector<std::string>{"begin 3"});

  const int n = core.NumParams();
  std::vector<int> identity;
  for (int i = 0; i < n; ++i) identity.push_back(i);
  EXPECT_EQ(core.ParamListOrder(), identity);
  std::vector<int> reversed(identity.rbegin(), identity.rend());
  core.SetParamListOrder(reversed);
  EXPECT_EQ(core.ParamListOrder(), reversed);
  // Orders that miss an index, repeat one or name one that does not exist are refused.
  std::vector<int> repeated = identity;
  repeated[1] = 0;
  std::vector<int> beyond = identity;
  beyond.back() = n;
  for (const auto& bad : {repeated, beyond, std::vector<int>{0}, std::vector<int>{}}) {
    core.SetParamListOrder(bad);
    EXPECT_EQ(core.ParamListOrder(), reversed);
  }
}

TEST(PluginCoreTest, AttachEditorHandsOverNormalisedValuesThenRefreshHandsRealOnes) {
  RecordingCore core;
  auto editor = std::make_unique<RecordingEditor>();
  RecordingEditor* seen = editor.get();
  core.AttachEditor(std::move(editor));
  ASSERT_EQ(seen->values.size(), 26u);
  EXPECT_TRUE(seen->prepared);
  EXPECT_DOUBLE_EQ(seen->values[5].value, 0.12);  // tempo 120 of 0..1000
  EXPECT_TRUE(seen->values[5].normalised);

  seen->values.clear();
  core.RefreshEditorParams();
  ASSERT_EQ(seen->values.size(), 26u);
  EXPECT_EQ(seen->values[5].value, 120.0);
  EXPECT_FALSE(seen->values[5].normalised);
}

class BufferTest : public ::testing::Test {
 protected:
  BufferTest() {
    core.SetInputChannelConnections(0, 2, true);
    core.SetOutputChannelConnections(0, 2, true);
  }
  // The base processing copies inputs to outputs, which makes the buffer paths visible.
  IPluginCore core{InstrumentLikeConfig()};
};

TEST_F(BufferTest, FloatBuffersRoundTripThroughTheScratchBuffers) {
  core.SetMaxBlockSize(8);
  std::vector<float> inL{1, 2, 3, 4, 5, 6, 7}, inR{-1, -2, -3, -4, -5, -6, -7};
  std::vector<float> outL(7, 9.f), outR(7, 9.f);
  const float* ins[] = {inL.data(), inR.data()};
  float* outs[] = {outL.data(), outR.data()};
  core.AttachInputBuffers(0, 2, ins);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffers(7);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);

  core.AttachInputBuffers(0, 2, ins);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffersAccumulating(7);
  EXPECT_EQ(outL[6], 14.f);
}

TEST_F(BufferTest, LongerBlocksThanAnnouncedArePlayedInPieces) {
  core.SetMaxBlockSize(4);
  std::vector<double> in(11), out(11, -1.0), out2(11, -1.0);
  for (int i = 0; i < 11; ++i) in[size_t(i)] = i + 1;
  std::vector<float> inF(in.begin(), in.end()), outF(11, -1.f);
  const float* insF[] = {inF.data(), inF.data()};
  float* outsF[] = {outF.data(), outF.data()};
  core.AttachInputBuffers(0, 2, insF);
  core.AttachOutputBuffers(0, 2, outsF);
  core.ProcessBuffers(11);
  EXPECT_EQ(std::vector<float>(in.begin(), in.end()), outF);

  const double* ins[] = {in.data(), in.data()};
  double* outs[] = {out.data(), out2.data()};
  core.SetOutputChannelConnections(1, 1, false);  // the second output stays on scratch
  core.AttachInputBuffers(0, 2, ins);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffers(11);
  EXPECT_EQ(out, in);
  EXPECT_EQ(out2, std::vector<double>(11, -1.0));  // an unconnected output is never written
}

TEST_F(BufferTest, BeforeAnyBlockSizeIsKnownTheOutputsAreSilenced) {
  std::vector<float> in(16, 1.f), out(16, 7.f);
  const float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  core.AttachInputBuffers(0, 2, ins);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffers(16);
  EXPECT_EQ(out, std::vector<float>(16, 0.f));
}

TEST_F(BufferTest, NullHostArraysAndZeroFramesAreHarmless) {
  core.SetMaxBlockSize(8);
  core.AttachInputBuffers(0, 2, static_cast<const float* const*>(nullptr));
  core.AttachOutputBuffers(0, 2, static_cast<float* const*>(nullptr));
  core.ProcessBuffers(8);
  core.ProcessBuffers(0);
  core.ProcessBuffers(-5);
  // The next ordinary block is unaffected by the broken ones.
  std::vector<float> in(8, 0.5f), out(8, 0.f);
  const float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  core.AttachInputBuffers(0, 2, ins);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffers(8);
  EXPECT_EQ(out, in);
}

TEST_F(BufferTest, SetMaxBlockSizeWithTheSameSizeKeepsTheScratchContents) {
  core.SetMaxBlockSize(4);
  std::vector<float> in{1, 2, 3, 4};
  const float* ins[] = {in.data(), in.data()};
  core.SetOutputChannelConnections(0, 2, false);
  core.AttachInputBuffers(0, 2, ins);
  core.ProcessBuffers(4);  // inputs land in scratch, outputs too (unconnected)
  core.SetMaxBlockSize(4);
  std::vector<double> out(4, 0.0);
  double* outs[] = {out.data(), out.data()};
  core.SetOutputChannelConnections(0, 2, true);
  core.SetInputChannelConnections(0, 2, true);
  core.AttachOutputBuffers(0, 2, outs);
  core.ProcessBuffers(4);  // no new input attached: the scratch still holds the last block
  EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4}));
}

TEST_F(BufferTest, BypassWithLatencyDelaysTheInput) {
  core.CreateLatencyDelayLine();
  core.ChangeLatency(3);
  core.SetMaxBlockSize(8);
  std::vector<double> in{1, 2, 3, 4, 5, 6}, out(6, -1.0);
  const double* ins[] = {in.data(), in.data()};
  double* outs[] = {out.data(), out.data()};
  core.AttachInputBuffers(0, 1, ins);
  core.AttachOutputBuffers(0, 1, outs);
  core.SetOutputChannelConnections(1, 1, false);
  core.PassThroughBuffers(6);
  EXPECT_EQ(out, (std::vector<double>{0, 0, 0, 1, 2, 3}));
}

}  // namespace
}  // namespace fluvia
