#include <gtest/gtest.h>

#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentTest;

TEST_F(InstrumentTest, OnlyChannelOneIsAccepted) {
  Midi(0x91, 60, 100);  // channel 2
  EXPECT_EQ(plugin.PendingMidi().Size(), 0);
  Midi(0x90, 60, 100);
  EXPECT_EQ(plugin.PendingMidi().Size(), 1);
}

TEST_F(InstrumentTest, LastNotePriorityFallsBackWithoutANewEdge) {
  NoteOn(60, 90);
  Block();
  NoteOn(64, 110);
  Block();
  NoteOff(64);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
  EXPECT_EQ(Value(kVoice00_NoteNumber), 60.0);
  EXPECT_EQ(Value(kVoice00_NoteVelocity), 90.0);
  EXPECT_EQ(EngineValue(kVoice00_NoteNumber), 60.0);
  NoteOff(60);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(Value(kVoice00_NoteNumber), 60.0);
  EXPECT_EQ(EngineValue(kVoice00_NoteGate), 0.0);
}

TEST_F(InstrumentTest, ANoteThatStartsAndEndsInOneBlockSoundsFromItsFrame) {
  plugin.GetParam(kAmpFadeInOut)->SetValue(0.0);
  plugin.ParamChanged(kAmpFadeInOut);
  Midi(0x90, 60, 100, 10);
  Midi(0x80, 60, 0, 200);
  EXPECT_GT(Block(), 0.f);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(left[i], 0.f) << i;
  EXPECT_EQ(EngineValue(kVoice00_NoteGate), 0.0);
}

TEST_F(InstrumentTest, ANoteSoundsAndItsReleaseFadesOut) {
  plugin.GetParam(kAmpFadeInOut)->SetValue(0.05);  // T = 25 ms
  plugin.ParamChanged(kAmpFadeInOut);
  NoteOn(60);
  float peak = 0.f;
  for (int b = 0; b < 100; ++b) peak = std::max(peak, Block());
  EXPECT_GT(peak, 0.01f);
  EXPECT_LT(peak, 1.0f);
  NoteOff(60);
  for (int b = 0; b < 400; ++b) Block();
  EXPECT_LT(Block(), 1e-4f);
}

TEST_F(InstrumentTest, MessagesBeyondTheBlockWaitForTheirBlock) {
  Midi(0x90, 60, 100, kBlock + 5);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  ASSERT_EQ(plugin.PendingMidi().Size(), 1);
  EXPECT_EQ(plugin.PendingMidi().Front().offset, 5);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
}

TEST_F(InstrumentTest, SustainPedalHoldsTheGate) {
  Controller(64, 127);
  NoteOn(60);
  Block();
  NoteOff(60);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
  Controller(64, 64);  // neither on nor off
  Block();
  EXPECT_EQ(plugin.SustainLevel(), 127);
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
  Controller(64, 0);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(EngineValue(kVoice00_NoteGate), 0.0);
}

TEST_F(InstrumentTest, SoundControllersSetParametersAndTheEditorButNotTheHost) {
  const std::pair<int, int> table[] = {{1, kSystemEnergyAmt}, {2, kContainerDamping},
      {3, kContainerSize}, {7, kAmpMainVolume}, {8, kAmpFadeInOut}, {9, kParticlesCollisions},
      {10, kParticlesMassSpread}, {11, kParticlesWeightVelocityRatio}, {12, kSoundfieldAmt}};
  for (const auto& [controller, param] : table) {
    Controller(controller, 127);
    Block();
    EXPECT_EQ(Value(param), 1.0) << controller;
    EXPECT_EQ(EngineValue(param), 1.0) << controller;
    Controller(controller, 0);
    Block();
    EXPECT_EQ(Value(param), 0.0) << controller;
  }
  EXPECT_TRUE(host.reported.empty());

  const double volume = Value(kAmpMainVolume);
  Controller(0, 127);
  Controller(124, 127);
  Block();
  EXPECT_EQ(Value(kAmpMainVolume), volume);
}

TEST_F(InstrumentTest, AllNotesOffAndZeroVelocity) {
  NoteOn(60);
  NoteOn(62);
  Block();
  Controller(123, 0);
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_FALSE(plugin.KeyHeld(60));
  EXPECT_FALSE(plugin.KeyHeld(62));
  EXPECT_EQ(plugin.NoteStackTop(), 0);

  NoteOn(70);
  Block();
  Midi(0x90, 70, 0);  // velocity 0 is a note off
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_FALSE(plugin.KeyHeld(70));
}

TEST_F(InstrumentTest, TheNoteStackSaturatesAtOneHundred) {
  for (int k = 0; k < 110; ++k) NoteOn(k);
  Block();
  EXPECT_EQ(plugin.NoteStackTop(), 100);
  EXPECT_EQ(plugin.NoteStackEntry(100), 109);  // later notes overwrite the top slot
  EXPECT_EQ(Value(kVoice00_NoteNumber), 109.0);
}

TEST_F(InstrumentTest, RetriggerToggleStepsAndWraps) {
  // Steps of 0.01 in single precision, back to 0 once above 0.99.
  float expected = 0.0f;
  bool wrapped = false;
  for (int i = 0; i < 150; ++i) {
    NoteOn(60);
    expected += 0.01f;
    if (expected > 0.99f) expected = 0.0f, wrapped = true;
  }
  Block();
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(plugin.RetriggerToggle(), expected);
  EXPECT_EQ(Value(kVoice00_NoteRetrig), double(expected));
  EXPECT_EQ(EngineValue(kVoice00_NoteRetrig), double(expected));
}

TEST_F(InstrumentTest, StrayNoteOffsAndOtherMessagesAreHarmless) {
  NoteOff(77);  // never pressed
  Midi(0xE0, 0, 64);   // pitch bend
  Midi(0xC0, 5, 0);    // program change
  Midi(0xF8, 0, 0);    // clock
  Midi(0xA0, 60, 10);  // poly pressure
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(plugin.NoteStackTop(), 0);
  NoteOn(60);
  NoteOff(61);  // another key: the held key keeps the gate open
  Block();
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
  EXPECT_TRUE(plugin.KeyHeld(60));
}

TEST_F(InstrumentTest, ABurstOfOneHundredThousandMessagesIsHandledCompletely) {
  // Notes on keys 0..99 in turn, then releases of all keys but 99, all in one block, with
  // offsets spread over the block.
  const int kMessages = 100000;
  for (int i = 0; i < kMessages - 99; ++i) {
    Midi(0x90, uint8_t(i % 100), 100, (i / 4) * kBlock / kMessages);
  }
  for (int k = 0; k < 99; ++k) Midi(0x80, uint8_t(k), 0, kBlock - 1);
  EXPECT_EQ(plugin.PendingMidi().Size(), kMessages);
  EXPECT_GE(plugin.PendingMidi().Capacity(), kMessages);
  Block();
  EXPECT_EQ(plugin.PendingMidi().Size(), 0);
  for (int k = 0; k < 99; ++k) EXPECT_FALSE(plugin.KeyHeld(k)) << k;
  EXPECT_TRUE(plugin.KeyHeld(99));
  EXPECT_EQ(Value(kVoice00_NoteGate), 1.0);
}

TEST(MidiQueueTest, KeepsOffsetOrderAndArrivalOrderForEqualOffsets) {
  MidiQueue queue(2, 2);
  queue.Add({5, 0x90, 1, 0});
  queue.Add({3, 0x90, 2, 0});
  queue.Add({5, 0x90, 3, 0});
  queue.Add({0, 0x90, 4, 0});
  queue.Add({3, 0x90, 5, 0});
  std::vector<int> order;
  while (!queue.Empty()) {
    order.push_back(queue.Front().data1);
    queue.Remove();
  }
  EXPECT_EQ(order, (std::vector<int>{4, 2, 5, 1, 3}));
}

TEST(MidiQueueTest, FlushAndResize) {
  MidiQueue queue(1024, 1024);
  queue.Add({700, 0x90, 1, 0});
  queue.Add({900, 0x90, 2, 0});
  queue.Remove();
  queue.Flush(512);
  EXPECT_EQ(queue.Size(), 1);
  EXPECT_EQ(queue.Front().offset, 388);
  // A page per 512 frames, but never fewer than an event at every frame of a long block.
  queue.Resize(100);
  EXPECT_EQ(queue.Capacity(), MidiQueue::kMinCapacity);
  EXPECT_EQ(queue.GrowthStep(), 512);
  queue.Resize(513);
  EXPECT_EQ(queue.Capacity(), MidiQueue::kMinCapacity);
  EXPECT_EQ(queue.GrowthStep(), 1024);
  queue.Resize(5000);
  EXPECT_EQ(queue.Capacity(), 5120);
  // Before a block size is known the queue still grows rather than dropping messages.
  queue.Resize(0);
  for (int i = 0; i < 5000; ++i) queue.Add({i, 0xB0, 7, 1});
  EXPECT_EQ(queue.Size(), 5001);
  EXPECT_EQ(queue.Front().offset, 0);
}

}  // namespace
}  // namespace fluvia
