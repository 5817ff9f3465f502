// Host calls that are out of order or carry broken data get a defined answer: no crash, no
// garbage in the host's buffers.

#include <cmath>
#include <limits>
#include <vector>

#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// One block's host data, built by hand so that each field can be broken on purpose.
struct RawBlock {
  explicit RawBlock(int frames, int outputChannels = 2, float fill = 1.0f)
      : out(size_t(outputChannels), std::vector<float>(size_t(frames), fill)),
        in(2, std::vector<float>(size_t(frames), 0.5f)) {
    for (auto& channel : out) outPointers.push_back(channel.data());
    for (auto& channel : in) inPointers.push_back(channel.data());
    outBus.numChannels = outputChannels;
    outBus.channelBuffers32 = outPointers.data();
    inBus.numChannels = 2;
    inBus.channelBuffers32 = inPointers.data();
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.inputs = &inBus;
    data.numOutputs = 1;
    data.outputs = &outBus;
  }
  bool OutputsAre(float value) const {
    for (const auto& channel : out) {
      for (float s : channel) {
        if (s != value) return false;
      }
    }
    return true;
  }
  bool OutputsFinite() const {
    for (const auto& channel : out) {
      for (float s : channel) {
        if (!std::isfinite(s)) return false;
      }
    }
    return true;
  }

  std::vector<std::vector<float>> out;
  std::vector<std::vector<float>> in;
  std::vector<float*> outPointers;
  std::vector<float*> inPointers;
  AudioBusBuffers outBus{};
  AudioBusBuffers inBus{};
  ProcessData data{};
};

using Vst3BadInput = PluginTest;

TEST_F(Vst3BadInput, ProcessBeforeSetupOrActivationGivesSilence) {
  RawBlock block(256);
  EXPECT_EQ(processor()->process(block.data), kResultOk);
  EXPECT_TRUE(block.OutputsAre(0.0f));

  // Set up but never activated (buses active, component not): still a defined block.
  ProcessSetup setup{kRealtime, kSample32, 256, 48000.0};
  ASSERT_EQ(processor()->setupProcessing(setup), kResultOk);
  component()->activateBus(kAudio, kOutput, 0, true);
  RawBlock again(256);
  EXPECT_EQ(processor()->process(again.data), kResultOk);
  EXPECT_TRUE(again.OutputsFinite());
}

TEST_F(Vst3BadInput, RefusesBrokenSetups) {
  ProcessSetup badSize{kRealtime, 5, 512, 48000.0};
  EXPECT_EQ(processor()->setupProcessing(badSize), kResultFalse);
  for (double rate : {0.0, -44100.0, double(NAN), double(INFINITY)}) {
    ProcessSetup badRate{kRealtime, kSample32, 512, rate};
    EXPECT_NE(processor()->setupProcessing(badRate), kResultOk) << rate;
  }
  ProcessSetup badBlock{kRealtime, kSample32, -5, 48000.0};
  EXPECT_NE(processor()->setupProcessing(badBlock), kResultOk);
  // The plug-in still plays after the refusals.
  Start();
  NoteOn();
  Stereo out;
  Render(out, 10, 512);
  EXPECT_GT(out.Peak(), 1e-3);
}

TEST_F(Vst3BadInput, BrokenBlockDescriptionsAreRefusedOrSurvived) {
  Start(48000.0, 256);
  NoteOn();

  struct Case {
    const char* what;
    void (*breakIt)(RawBlock&);
    tresult expected;
  };
  const Case table[] = {
      {"negative frame count", [](RawBlock& b) { b.data.numSamples = -10; }, kInvalidArgument},
      {"unknown sample size", [](RawBlock& b) { b.data.symbolicSampleSize = 9; }, kInvalidArgument},
      {"no output array", [](RawBlock& b) { b.data.outputs = nullptr; }, kResultOk},
      {"no channel array", [](RawBlock& b) { b.outBus.channelBuffers32 = nullptr; }, kResultOk},
      {"one null channel", [](RawBlock& b) { b.outPointers[1] = nullptr; }, kResultOk},
      {"zero output channels", [](RawBlock& b) { b.outBus.numChannels = 0; }, kResultOk},
      {"negative channel count", [](RawBlock& b) { b.outBus.numChannels = -3; }, kResultOk},
      {"no inputs", [](RawBlock& b) { b.data.inputs = nullptr; }, kResultOk},
      {"input bus without channels", [](RawBlock& b) { b.inBus.channelBuffers32 = nullptr; },
       kResultOk},
      {"64-bit block without arrays",
       [](RawBlock& b) {
         b.data.symbolicSampleSize = kSample64;
         b.outBus.channelBuffers64 = nullptr;
         b.inBus.channelBuffers64 = nullptr;
       },
       kResultOk},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.what);
    RawBlock block(256, 2, 7.0f);
    c.breakIt(block);
    EXPECT_EQ(processor()->process(block.data), c.expected);
  }
}

TEST_F(Vst3BadInput, LongerBlocksThanAnnouncedAreProcessedWhole) {
  Start(48000.0, 128);
  NoteOn();
  RawBlock block(1000, 2, NAN);
  ASSERT_EQ(processor()->process(block.data), kResultOk);
  EXPECT_TRUE(block.OutputsFinite());
  double tail = 0.0;
  for (size_t i = 900; i < 1000; ++i) tail = std::max(tail, double(std::fabs(block.out[0][i])));
  EXPECT_GT(tail, 0.0);  // the last piece sounds too
}

TEST_F(Vst3BadInput, ChannelsTheInstrumentDoesNotHaveAreSilenced) {
  // A host that insists on eight output channels gets the sound on two and silence on six.
  SpeakerArrangement in = SpeakerArr::kStereo;
  SpeakerArrangement out = SpeakerArr::k71Cine;
  EXPECT_EQ(processor()->setBusArrangements(&in, 1, &out, 1), kResultOk);
  SpeakerArrangement now = 0;
  ASSERT_EQ(processor()->getBusArrangement(kOutput, 0, now), kResultOk);
  EXPECT_EQ(now, SpeakerArr::k71Cine);
  Start(48000.0, 256);
  NoteOn();
  RawBlock warm(256, 8);
  for (int i = 0; i < 10; ++i) processor()->process(warm.data);
  RawBlock block(256, 8, 9.0f);
  ASSERT_EQ(processor()->process(block.data), kResultOk);
  for (int c = 2; c < 8; ++c) {
    for (float s : block.out[size_t(c)]) ASSERT_EQ(s, 0.0f) << c;
  }
  EXPECT_NE(block.out[0][255], 9.0f);
  EXPECT_EQ(block.outBus.silenceFlags & 3u, 0u);
  EXPECT_EQ(block.outBus.silenceFlags >> 2, 0x3Fu);

  // Back to mono: the bus becomes a one-channel "Output".
  SpeakerArrangement mono = SpeakerArr::kMono;
  EXPECT_EQ(processor()->setBusArrangements(&in, 1, &mono, 1), kResultOk);
  BusInfo info{};
  ASSERT_EQ(component()->getBusInfo(kAudio, kOutput, 0, info), kResultOk);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(processor()->setBusArrangements(nullptr, 1, &mono, 1), kInvalidArgument);
  EXPECT_EQ(processor()->setBusArrangements(&in, -1, &mono, 1), kInvalidArgument);
}

TEST_F(Vst3BadInput, OutputBusesBeyondThePluginsAreSilenced) {
  Start(48000.0, 256);
  NoteOn();
  RawBlock block(256, 2, 4.0f);
  std::vector<float> extra(256, 4.0f);
  float* extraPointers[1] = {extra.data()};
  AudioBusBuffers buses[2] = {block.outBus, AudioBusBuffers{}};
  buses[1].numChannels = 1;
  buses[1].channelBuffers32 = extraPointers;
  block.data.outputs = buses;
  block.data.numOutputs = 2;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(processor()->process(block.data), kResultOk);
  for (float s : extra) ASSERT_EQ(s, 0.0f);
  EXPECT_EQ(buses[1].silenceFlags, 1u);
  EXPECT_FALSE(block.OutputsAre(4.0f));
}

TEST_F(Vst3BadInput, InactiveOutputBusIsSilenced) {
  Start(48000.0, 256);
  NoteOn();
  component()->activateBus(kAudio, kOutput, 0, false);
  RawBlock block(256, 2, 3.0f);
  ASSERT_EQ(processor()->process(block.data), kResultOk);
  EXPECT_TRUE(block.OutputsAre(0.0f));
  EXPECT_NE(component()->activateBus(kAudio, kOutput, 5, true), kResultOk);
  EXPECT_NE(component()->activateBus(kAudio, kInput, -1, true), kResultOk);
}

TEST_F(Vst3BadInput, BrokenEventAndParameterListsAreIgnored) {
  Start(48000.0, 256);
  // A queue that claims points it cannot deliver, and an event list that fails every read.
  class LyingQueue : public vst3host::HostOwned<IParamValueQueue> {
   public:
    ParamID PLUGIN_API getParameterId() override { return kAmpMainVolume; }
    int32 PLUGIN_API getPointCount() override { return 5; }
    tresult PLUGIN_API getPoint(int32, int32&, ParamValue&) override { return kResultFalse; }
    tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
  } queue;
  class Changes : public vst3host::HostOwned<IParameterChanges> {
   public:
    explicit Changes(IParamValueQueue* q) : q_(q) {}
    int32 PLUGIN_API getParameterCount() override { return 3; }
    IParamValueQueue* PLUGIN_API getParameterData(int32 i) override { return i == 0 ? q_ : nullptr; }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
    IParamValueQueue* q_;
  } changes(&queue);
  class Events : public vst3host::HostOwned<IEventList> {
   public:
    int32 PLUGIN_API getEventCount() override { return 4; }
    tresult PLUGIN_API getEvent(int32, Event&) override { return kResultFalse; }
    tresult PLUGIN_API addEvent(Event&) override { return kResultFalse; }
  } events;

  RawBlock block(256);
  block.data.inputParameterChanges = &changes;
  block.data.inputEvents = &events;
  EXPECT_EQ(processor()->process(block.data), kResultOk);
  EXPECT_DOUBLE_EQ(Normalised(kAmpMainVolume), 0.75);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 0.0);
}

TEST_F(Vst3BadInput, ExtremeEventOffsetsAreHandledOrKeptWithoutHarm) {
  Start(48000.0, 256);
  // Before the block: handled at its start. Far beyond it: kept for a block hours away, while
  // everything else goes on as usual.
  plugin().Events().NoteOn(60, 1.0f, std::numeric_limits<int32>::min());
  plugin().Events().NoteOn(61, 1.0f, std::numeric_limits<int32>::max());
  plugin().Events().NoteOn(62, 1.0f, -1);
  Stereo out;
  Render(out, 1, 256);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 1.0);
  EXPECT_NEAR(Normalised(kVoice00_NoteNumber), 62.0 / 127.0, 1e-12);
  plugin().Events().NoteOff(60, 0);
  plugin().Events().NoteOff(62, 0);
  Render(out, 40, 256);
  EXPECT_DOUBLE_EQ(Normalised(kVoice00_NoteGate), 0.0);
  EXPECT_TRUE(out.AllFinite());
}

}  // namespace
}  // namespace fluvia::vst3test
