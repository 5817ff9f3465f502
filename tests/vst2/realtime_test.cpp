// The audio thread's calls allocate nothing: MIDI through the process-events opcode and all
// three process entries, counted by the harness's operator new, which the module binds to;
// also while the host moves chunks and sets parameters on another thread.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/allocation_counter.h"
#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

using Vst2Realtime = Vst2Test;

TEST_F(Vst2Realtime, ProcessingAndMidiAllocateNothing) {
  constexpr int kFrames = 512;
  {
    // The count is meaningful only if the module's allocations reach this counter.
    test_support::AllocationCounter counter;
    auto other = NewInstance();
    ASSERT_GT(counter.Count(), 0u) << "the module's operator new is not the counting one";
  }
  plugin().Start(48000.0, kFrames);
  vst2::TimeInfo time{};
  time.tempo = 120.0;
  time.flags = vst2::kTempoValid | vst2::kTransportPlaying;
  plugin().SetTime(time);

  // The event list is built before counting, as a host's audio thread reuses its own.
  vst2::MidiEvent on{}, off{};
  for (auto* event : {&on, &off}) {
    event->type = vst2::kEventMidi;
    event->byteSize = sizeof(vst2::MidiEvent);
    event->midiData[1] = 67;
  }
  on.midiData[0] = char(0x90);
  on.midiData[2] = 100;
  off.midiData[0] = char(0x80);
  vst2::EventList noteOn{1, 0, {reinterpret_cast<vst2::Event*>(&on), nullptr}};
  vst2::EventList noteOff{1, 0, {reinterpret_cast<vst2::Event*>(&off), nullptr}};

  std::vector<float> fl(kFrames), fr(kFrames);
  std::vector<double> dl(kFrames), dr(kFrames);
  float* fOut[2] = {fl.data(), fr.data()};
  double* dOut[2] = {dl.data(), dr.data()};
  float* fIn[2] = {fl.data(), fr.data()};
  double* dIn[2] = {dl.data(), dr.data()};
  // The first calls may set up what the instance keeps from then on.
  plugin().ProcessReplacing(fIn, fOut, kFrames);
  plugin().ProcessDouble(dIn, dOut, kFrames);

  size_t allocations = 0;
  std::thread audio([&] {
    test_support::AllocationCounter counter;
    for (int b = 0; b < 50; ++b) {
      plugin().Dispatch(vst2::kProcessEvents, 0, 0, b % 10 == 0 ? &noteOn : &noteOff);
      plugin().ProcessReplacing(fIn, fOut, kFrames);
      plugin().ProcessAccumulating(fIn, fOut, kFrames);
      plugin().ProcessDouble(dIn, dOut, kFrames);
      plugin().GetParameter(b % 26);
      plugin().SetParameter(kAmpMainVolume, float(b % 10) / 10.0f);
    }
    allocations = counter.Count();
  });
  audio.join();
  EXPECT_EQ(allocations, 0u);
}

TEST_F(Vst2Realtime, WhileTheHostMovesChunksTheAudioThreadAllocatesNothing) {
  constexpr int kFrames = 256;
  plugin().RecordCalls(false);  // the harness answers without keeping a record
  plugin().Start(48000.0, kFrames);
  vst2::MidiEvent note{};
  note.type = vst2::kEventMidi;
  note.byteSize = sizeof(vst2::MidiEvent);
  note.midiData[0] = char(0x90);
  note.midiData[1] = 64;
  note.midiData[2] = 90;
  vst2::EventList list{1, 0, {reinterpret_cast<vst2::Event*>(&note), nullptr}};
  std::vector<float> l(kFrames), r(kFrames);
  float* outs[2] = {l.data(), r.data()};
  plugin().ProcessReplacing(outs, outs, kFrames);

  std::atomic<bool> stop{false};
  std::atomic<int> rounds{0};
  std::thread host([&] {
    // A host saving and reloading the project, and a user's edits through the host.
    for (int round = 0; !stop; ++round) {
      void* data = nullptr;
      const intptr_t size = plugin().Dispatch(vst2::kGetChunk, round % 2, 0, &data);
      if (size > 0) {
        std::vector<uint8_t> copy(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        plugin().Dispatch(vst2::kSetChunk, round % 2, size, copy.data());
      }
      char text[64] = {};
      plugin().Dispatch(vst2::kGetParamDisplay, round % 26, 0, text);
      plugin().Dispatch(vst2::kSetProgram, 0, 0);
      ++rounds;
    }
  });
  while (rounds == 0) std::this_thread::yield();
  size_t allocations = 0;
  std::thread audio([&] {
    test_support::AllocationCounter counter;
    for (int b = 0; b < 300; ++b) {
      if (b % 10 == 0) plugin().Dispatch(vst2::kProcessEvents, 0, 0, &list);
      plugin().SetParameter(kSoundfieldAmt, float(b % 10) / 10.0f);
      plugin().ProcessReplacing(outs, outs, kFrames);
    }
    allocations = counter.Count();
  });
  audio.join();
  stop = true;
  host.join();
  EXPECT_EQ(allocations, 0u);
}

}  // namespace
}  // namespace fluvia::vst2test
