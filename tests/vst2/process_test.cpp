// Playing the instrument: MIDI through the process-events opcode, the three process entries
// on a thread of their own, the host's transport, and the callbacks made while processing.

#include <cmath>
#include <thread>

#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

using Vst2Process = Vst2Test;

constexpr int kFrames = 256;
constexpr int kBlocks = 150;  // the note's attack takes most of a second

// Renders the same note with each entry on a thread of its own (the host's audio thread) and
// compares the results sample by sample. Each instance comes from its own copy of the module,
// so that all three start from the same noise.
TEST_F(Vst2Process, AllThreeEntriesPlayTheSameNote) {
  auto moduleA = LoadFreshCopy("a"), moduleB = LoadFreshCopy("b"), moduleC = LoadFreshCopy("c");
  ASSERT_TRUE(moduleA && moduleB && moduleC);
  std::string error;
  auto replacing = vst2host::Vst2Instance::Create(*moduleA, error);
  auto accumulating = vst2host::Vst2Instance::Create(*moduleB, error);
  auto doubles = vst2host::Vst2Instance::Create(*moduleC, error);
  ASSERT_TRUE(replacing && accumulating && doubles) << error;
  for (auto* p : {replacing.get(), accumulating.get(), doubles.get()}) {
    p->Start(48000.0, kFrames);
    Note(*p, 64, 110);
  }
  Stereo floatOut, addedOut;
  std::vector<double> doubleLeft, doubleRight;
  std::thread audio([&] {
    floatOut = RenderFloat(*replacing, kBlocks, kFrames);

    std::vector<float> in(kFrames, 0.0f), left(kFrames), right(kFrames);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < kBlocks; ++b) {
      std::fill(left.begin(), left.end(), 0.5f);
      std::fill(right.begin(), right.end(), -0.5f);
      accumulating->ProcessAccumulating(inputs, outputs, kFrames);
      addedOut.left.insert(addedOut.left.end(), left.begin(), left.end());
      addedOut.right.insert(addedOut.right.end(), right.begin(), right.end());
    }

    std::vector<double> din(kFrames, 0.0), dl(kFrames), dr(kFrames);
    double* dinputs[2] = {din.data(), din.data()};
    double* doutputs[2] = {dl.data(), dr.data()};
    for (int b = 0; b < kBlocks; ++b) {
      doubles->ProcessDouble(dinputs, doutputs, kFrames);
      doubleLeft.insert(doubleLeft.end(), dl.begin(), dl.end());
      doubleRight.insert(doubleRight.end(), dr.begin(), dr.end());
    }
  });
  audio.join();

  ASSERT_GT(floatOut.Peak(), 0.01);
  ASSERT_EQ(doubleLeft.size(), floatOut.left.size());
  for (size_t i = 0; i < floatOut.left.size(); ++i) {
    ASSERT_NEAR(addedOut.left[i], floatOut.left[i] + 0.5f, 1e-6) << i;
    ASSERT_NEAR(addedOut.right[i], floatOut.right[i] - 0.5f, 1e-6) << i;
    ASSERT_NEAR(doubleLeft[i], floatOut.left[i], 1e-6) << i;
    ASSERT_NEAR(doubleRight[i], floatOut.right[i], 1e-6) << i;
  }
  // The instrument asks for MIDI at the start of every processing call.
  EXPECT_EQ(replacing->CountCalls(vst2::kHostWantMidi), kBlocks);
}

TEST_F(Vst2Process, NoteOffAndAllNotesOffEndTheSound) {
  plugin().Start(48000.0, kFrames);
  Note(plugin(), 60, 100);
  EXPECT_GT(RenderFloat(plugin(), 150, kFrames).Peak(), 0.01);
  Note(plugin(), 60, 0);
  RenderFloat(plugin(), 400, kFrames);  // the release and the resonator's tail
  EXPECT_EQ(RenderFloat(plugin(), 4, kFrames).Peak(), 0.0);

  Note(plugin(), 62, 100);
  EXPECT_GT(RenderFloat(plugin(), 150, kFrames).Peak(), 0.01);
  vst2host::SentMidi allOff;
  allOff.bytes[0] = 0xB0;
  allOff.bytes[1] = 123;
  ASSERT_EQ(plugin().SendMidi({allOff}), 1);
  RenderFloat(plugin(), 400, kFrames);
  EXPECT_EQ(RenderFloat(plugin(), 4, kFrames).Peak(), 0.0);
}

TEST_F(Vst2Process, EventListsWithHolesAndStrangeEventsAreSkipped) {
  plugin().Start(48000.0, kFrames);
  vst2::MidiEvent note{};
  note.type = vst2::kEventMidi;
  note.byteSize = sizeof(note);
  note.midiData[0] = char(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  vst2::SysExEvent sysex{};
  sysex.type = vst2::kEventSysEx;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = 1000;  // with no dump behind it
  vst2::Event other{};
  other.type = 42;
  struct {
    int32_t numEvents;
    intptr_t reserved;
    vst2::Event* events[4];
  } list{4, 0, {nullptr, reinterpret_cast<vst2::Event*>(&sysex), &other,
                reinterpret_cast<vst2::Event*>(&note)}};
  EXPECT_EQ(Dispatch(vst2::kProcessEvents, 0, 0, &list), 1);
  EXPECT_GT(RenderFloat(plugin(), 150, kFrames).Peak(), 0.01);
  list.numEvents = -3;
  EXPECT_EQ(Dispatch(vst2::kProcessEvents, 0, 0, &list), 1);
  EXPECT_EQ(Dispatch(vst2::kProcessEvents), 0);
}

TEST_F(Vst2Process, BadBuffersAndBlockSizesGiveDefinedOutput) {
  plugin().Start(48000.0, kFrames);
  Note(plugin(), 60, 100);
  // No arrays at all, or null channels: the instance plays into its own scratch buffers.
  plugin().ProcessReplacing(nullptr, nullptr, kFrames);
  std::vector<float> left(4 * kFrames, 9.0f);
  float* outputs[2] = {left.data(), nullptr};
  plugin().ProcessReplacing(nullptr, outputs, kFrames);
  for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(std::isfinite(left[size_t(i)]));
  // Zero or negative lengths touch nothing.
  std::fill(left.begin(), left.end(), 9.0f);
  plugin().ProcessReplacing(nullptr, outputs, 0);
  plugin().ProcessReplacing(nullptr, outputs, -100);
  for (float s : left) ASSERT_EQ(s, 9.0f);
  // Blocks longer than announced are processed in pieces, every frame written.
  plugin().ProcessReplacing(nullptr, outputs, 4 * kFrames);
  for (float s : left) ASSERT_NE(s, 9.0f);
}

TEST_F(Vst2Process, FollowsTheHostsTempo) {
  vst2::TimeInfo time{};
  time.sampleRate = 48000.0;
  time.tempo = 93.0;
  time.timeSigNumerator = 3;
  time.timeSigDenominator = 4;
  time.flags = vst2::kTempoValid | vst2::kTimeSigValid | vst2::kTransportPlaying;
  plugin().SetTime(time);
  plugin().Start(48000.0, kFrames);
  RenderFloat(plugin(), 1, kFrames);
  EXPECT_GT(plugin().CountCalls(vst2::kHostGetTime), 0);
  EXPECT_NEAR(plugin().GetParameter(kHostTempoBpm), 93.0 / 1000.0, 1e-6);

  // Without a transport record the instrument keeps going.
  plugin().ClearTime();
  EXPECT_GE(RenderFloat(plugin(), 2, kFrames).Peak(), 0.0);
}

}  // namespace
}  // namespace fluvia::vst2test
