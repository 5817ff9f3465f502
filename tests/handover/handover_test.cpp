// What reaches the audio thread from the other threads, and when: changes made outside
// processing act from the next block start on; a restored state or a loaded preset acts whole;
// preset commands that arrive with the audio are carried out by the worker, never by the audio
// thread; and the bounds of each hand-over under a flood.

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "adapters/vst2/plugin_vst2.h"
#include "tests/handover/handover_fixture.h"

namespace fluvia {
namespace {


class HandOverTest : public testing::HandOverTest {
 protected:
  // Every parameter's value has reached the engine (which keeps it in its own range), but
  // for the tempo, which each block sets from the host.
  void ExpectEngineHasTheValues() {
    const auto reference = WaterEngine::Create(48000.0);
    for (int i = 0; i < plugin.NumParams(); ++i) {
      if (i == kHostTempoBpm) continue;
      reference->SetParameter(i, Value(i));
      EXPECT_EQ(EngineValue(i), reference->Parameter(i)) << plugin.GetParam(i)->Name();
    }
  }
};

TEST_F(HandOverTest, ChangesMadeOutsideProcessingReachTheEngineAtTheNextBlockStart) {
  const double engineBefore = EngineValue(kContainerSize);
  plugin.SetParamFromEditor(kContainerSize, 0.3);
  EXPECT_EQ(Value(kContainerSize), 0.3);             // the parameter at once
  EXPECT_EQ(EngineValue(kContainerSize), engineBefore);  // the audio thread's engine later
  Block();
  EXPECT_EQ(EngineValue(kContainerSize), 0.3);

  // A restored state the same way, every value of it.
  StateChunk state;
  plugin.SerializeParams(state);
  plugin.SetParamFromEditor(kSoundfieldAmt, 0.9);
  Block();
  plugin.UnserializeParams(state, 0);
  EXPECT_EQ(EngineValue(kSoundfieldAmt), 0.9);
  Block();
  ExpectEngineHasTheValues();
  EXPECT_EQ(EngineValue(kContainerSize), 0.3);
}

TEST_F(HandOverTest, AWholeChangeStillBeingWrittenWaitsForALaterBlock) {
  const double size = EngineValue(kContainerSize), field = EngineValue(kSoundfieldAmt);
  {
    WholeChangeScope whole(plugin);  // holds the instance mutex, as a restore does
    plugin.GetParam(kContainerSize)->SetValue(0.2);
    plugin.HandOverParam(kContainerSize);
    // The audio thread runs its block meanwhile: it neither waits for the mutex nor takes
    // the first half of the change.
    std::thread audio([&] { Block(); });
    audio.join();
    EXPECT_EQ(EngineValue(kContainerSize), size);
    plugin.GetParam(kSoundfieldAmt)->SetValue(0.8);
    plugin.HandOverParam(kSoundfieldAmt);
  }
  EXPECT_EQ(EngineValue(kSoundfieldAmt), field);
  Block();
  EXPECT_EQ(EngineValue(kContainerSize), 0.2);
  EXPECT_EQ(EngineValue(kSoundfieldAmt), 0.8);
}

TEST_F(HandOverTest, PresetAutomationIsLoadedByTheWorkerAndArrivesWhole) {
  NoteOn(60);
  Block();
  ASSERT_TRUE(plugin.KeyHeld(60));
  {
    // The worker cannot run while this thread holds the mutex; the block must not need it.
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    std::thread audio([&] {
      Point(kPresetSelector, 3.0, 10);
      Block();
    });
    audio.join();
    EXPECT_EQ(Library().ShownName(), "< Presets Library >");  // no file read on the audio thread
    EXPECT_EQ(Value(kSystemEnergyAmt), plugin.GetParam(kSystemEnergyAmt)->DefaultValue());
    EXPECT_TRUE(plugin.HasDeferredWork());
  }
  ASSERT_TRUE(WorkerCaughtUp());
  EXPECT_EQ(Library().ShownName(), "SFX - Shower");
  EXPECT_EQ(Library().CurrentPresetNumber(), 3.0f);
  EXPECT_EQ(Value(kSystemEnergyAmt), double(0.9f));
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_TRUE(plugin.KeyHeld(60));  // the voices are cleared with the preset's values ...
  Block();
  EXPECT_FALSE(plugin.KeyHeld(60));  // ... at one block start
  EXPECT_EQ(EngineValue(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(EngineValue(kSystemEnergyAmt), double(0.9f));
  EXPECT_EQ(EngineValue(kContainerSize), double(0.25f));
  EXPECT_EQ(EngineValue(kPresetSelector), 0.0);

  // The arrows the same way; their release does nothing.
  Point(kPresetForward, 1.0, 0);
  Point(kPresetForward, 0.0, 5);
  Block();
  plugin.FinishDeferredWork();  // what the worker would do, at once
  EXPECT_EQ(Library().ShownName(), "SFX - Waterfall");
  EXPECT_EQ(Library().CurrentPresetNumber(), 4.0f);
  EXPECT_EQ(Value(kPresetForward), 0.0);  // the host's last value stays
  Block();
  EXPECT_EQ(EngineValue(kSoundfieldAmt), double(0.7f));
}

TEST_F(HandOverTest, AProgramChangeOnTheAudioThreadIsRestoredByTheWorker) {
  plugin.SetParamFromEditor(kContainerSize, 0.9);
  Block();
  {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    std::thread audio([&] {
      AudioThreadScope scope(plugin);
      EXPECT_TRUE(plugin.RestorePreset(0));   // accepted ...
      EXPECT_FALSE(plugin.RestorePreset(1));  // (there is one preset)
    });
    audio.join();
    EXPECT_EQ(Value(kContainerSize), 0.9);  // ... and not restored on the audio thread
  }
  plugin.FinishDeferredWork();
  EXPECT_EQ(Value(kContainerSize), plugin.GetParam(kContainerSize)->DefaultValue());
  Block();
  EXPECT_EQ(EngineValue(kContainerSize), Value(kContainerSize));
}

TEST_F(HandOverTest, InAnOfflineRenderPresetCommandsActAtTheirOwnFrame) {
  // No deadline: the audio thread loads the preset itself, at the automation's frame, so an
  // offline render repeats exactly; so does a host's program change.
  host.offline = true;
  NoteOn(60);
  Block();
  Point(kPresetSelector, 3.0, 100);
  Block();
  EXPECT_FALSE(plugin.HasDeferredWork());
  EXPECT_EQ(Library().ShownName(), "SFX - Shower");
  EXPECT_FALSE(plugin.KeyHeld(60));
  EXPECT_EQ(EngineValue(kSystemEnergyAmt), double(0.9f));
  EXPECT_EQ(EngineValue(kPresetSelector), 0.0);

  // The frames before the automation sound as without it, the ones from it on as with the
  // preset from the start of a block.
  const std::vector<double> withPoint = left;
  Point(kPresetSelector, 3.0, 0);
  Block();
  const std::vector<double> fromTheStart = left;
  EXPECT_NE(withPoint, fromTheStart);

  plugin.SetParamFromEditor(kContainerSize, 0.9);
  Block();
  {
    AudioThreadScope audio(plugin);
    EXPECT_TRUE(plugin.RestorePreset(0));
  }
  // The Init preset's values, and not those of the preset file last loaded: replaying the
  // restored state loads no preset, also on the audio thread.
  EXPECT_EQ(Value(kContainerSize), plugin.GetParam(kContainerSize)->DefaultValue());
  EXPECT_EQ(EngineValue(kContainerSize), Value(kContainerSize));
}

TEST_F(HandOverTest, AFloodOfPresetCommandsKeepsTheFirstOnesAndDropsTheRest) {
  // More preset commands in one block than wait for the worker: the queue keeps its
  // capacity's worth, in order, and drops the rest; the audio thread goes on.
  std::unique_lock<std::recursive_mutex> lock(plugin.Mutex());  // keeps the worker out
  std::thread audio([&] {
    for (int i = 0; i < 200; ++i) Point(kPresetSelector, (i % 2) ? 4.0 : 3.0, i);
    Block();
  });
  audio.join();
  EXPECT_EQ(plugin.DroppedDeferredCommands(), 200u - DeferredCommandQueue::kCapacity);
  lock.unlock();
  plugin.FinishDeferredWork();
  // The 128th command chose preset 4; the ones after it are gone.
  EXPECT_EQ(Library().CurrentPresetNumber(), 4.0f);
  EXPECT_EQ(Library().ShownName(), "SFX - Waterfall");
  // Once the queue has room the next command acts as usual.
  Point(kPresetSelector, 3.0);
  Block();
  plugin.FinishDeferredWork();
  EXPECT_EQ(Library().CurrentPresetNumber(), 3.0f);
  EXPECT_EQ(plugin.DroppedDeferredCommands(), 200u - DeferredCommandQueue::kCapacity);
}

TEST_F(HandOverTest, AFloodOfEditsBetweenTwoBlocksLeavesTheLastValue) {
  for (int i = 1; i <= 10000; ++i) plugin.SetParamFromEditor(kAmpMainVolume, i / 10000.0);
  plugin.SetParamFromEditor(kAmpMainVolume, 0.25);
  Block();
  EXPECT_EQ(EngineValue(kAmpMainVolume), 0.25);
}

TEST_F(HandOverTest, APresetFileThatVanishesBeforeTheWorkerLoadsItChangesNothing) {
  plugin.SetParamFromEditor(kSystemEnergyAmt, 0.33);
  Block();
  {
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    std::thread audio([&] {
      Point(kPresetSelector, 3.0);
      Block();
    });
    audio.join();
    ASSERT_EQ(std::remove((folder + "Factory/SFX - Shower.fluviapreset").c_str()), 0);
  }
  plugin.FinishDeferredWork();
  EXPECT_EQ(Value(kSystemEnergyAmt), 0.33);
  EXPECT_EQ(Library().ShownName(), "< Presets Library >");
  EXPECT_EQ(Library().CurrentPresetNumber(), 0.0f);  // nothing became current
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  Block();
  EXPECT_EQ(EngineValue(kSystemEnergyAmt), 0.33);
}

TEST_F(HandOverTest, AStateThatDoesNotParseActsWholeAsFarAsItReads) {
  // 100 bytes: twelve values and a part of the thirteenth (which becomes its minimum).
  StateChunk state;
  for (int i = 0; i < plugin.NumParams(); ++i) {
    state.PutDouble(i == kHostTempoBpm ? 120.0 : plugin.GetParam(i)->Maximum());
  }
  StateChunk cut;
  cut.PutBytes(state.Data(), 100);
  EXPECT_EQ(plugin.UnserializeParams(cut, 0), -1);
  EXPECT_EQ(Value(kContainerSize), plugin.GetParam(kContainerSize)->Maximum());
  EXPECT_EQ(Value(kPresetBackward), 0.0);
  EXPECT_EQ(Value(kSoundfieldAmt), plugin.GetParam(kSoundfieldAmt)->DefaultValue());
  Block();
  ExpectEngineHasTheValues();
}

intptr_t SilentHost(vst2::Effect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

TEST(HandOverVst2, SetParameterActsFromTheNextBlockStartAndItsPresetCommandsGoToTheWorker) {
  testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "Presets/";
  testing::ScratchFolder::Write(folder + "Factory/SFX - Shower.fluviapreset", testing::kShower);
  FluviaOptions options;
  options.api = PluginApi::VST2;
  options.presetFolder = folder;
  auto* adapter = new IPluginVST2(std::make_unique<Fluvia>(options), &SilentHost);
  auto& plugin = dynamic_cast<Fluvia&>(adapter->Core());
  vst2::Effect* effect = adapter->Effect();
  auto dispatch = [effect](int32_t opcode, intptr_t value = 0, float option = 0.0f) {
    return effect->dispatcher(effect, opcode, 0, value, nullptr, option);
  };
  dispatch(vst2::kOpen);
  dispatch(vst2::kSetSampleRate, 0, 48000.0f);
  dispatch(vst2::kSetBlockSize, 256);
  dispatch(vst2::kMainsChanged, 1);
  std::vector<float> l(256), r(256);
  float* outs[] = {l.data(), r.data()};

  const double before = plugin.Engine().Parameter(kContainerSize);
  effect->setParameter(effect, kContainerSize, 0.3f);
  EXPECT_FLOAT_EQ(effect->getParameter(effect, kContainerSize), 0.3f);  // the value at once
  EXPECT_EQ(plugin.Engine().Parameter(kContainerSize), before);       // the sound ...
  effect->processReplacing(effect, outs, outs, 256);
  EXPECT_EQ(plugin.Engine().Parameter(kContainerSize), double(0.3f));  // ... from the next block

  {
    // The host sets the preset selector from its audio thread while the user interface holds
    // the mutex: the call returns at once, and the file is read by the worker afterwards.
    std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
    std::thread audio([&] {
      effect->setParameter(effect, kPresetSelector,
                           float(plugin.GetParam(kPresetSelector)->ToNormalised(3.0)));
      effect->processReplacing(effect, outs, outs, 256);
    });
    audio.join();
    EXPECT_NE(plugin.GetParam(kSoundfieldAmt)->Value(), double(0.4f));
  }
  plugin.FinishDeferredWork();
  EXPECT_EQ(plugin.GetParam(kSoundfieldAmt)->Value(), double(0.4f));
  effect->processReplacing(effect, outs, outs, 256);
  EXPECT_EQ(plugin.Engine().Parameter(kSoundfieldAmt), double(0.4f));
  dispatch(vst2::kClose);
}

}  // namespace
}  // namespace fluvia
