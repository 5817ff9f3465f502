#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

using testing::InstrumentTest;

// Test double of the preset library: records which commands reach it and whether the
// instrument had cleared its voices first (or, outside processing, asked for that at the next
// block start, before the preset's values).
class RecordingLibrary : public IPresetLibrary {
 public:
  explicit RecordingLibrary(Fluvia& plugin) : plugin_(plugin) {}
  void StepPreset(int direction) override {
    calls.push_back(std::string("step ") + (direction > 0 ? "+1" : "-1") + Voices());
  }
  void LoadLibraryPreset() override { calls.push_back("library" + Voices()); }
  void LoadChosenFile() override { calls.push_back("load"); }
  void SaveChosenFile() override { calls.push_back("save"); }
  std::vector<std::string> calls;

 private:
  std::string Voices() const {
    return plugin_.KeyHeld(60) && !plugin_.VoiceResetRequested() ? " (voices held)" : "";
  }
  Fluvia& plugin_;
};

class PresetCommandTest : public InstrumentTest {
 protected:
  PresetCommandTest() {
    auto library = std::make_unique<RecordingLibrary>(plugin);
    calls = &library->calls;
    plugin.SetPresetLibrary(std::move(library));
  }
  void HostSets(int index, double value) {
    plugin.GetParam(index)->SetValue(value);
    plugin.ParamChanged(index);
  }
  std::vector<std::string>* calls;
};

TEST_F(PresetCommandTest, ArrowsActOnPressOnlyAndClearTheVoicesFirst) {
  NoteOn(60);
  Block();
  HostSets(kPresetForward, 1.0);
  HostSets(kPresetForward, 0.0);
  HostSets(kPresetBackward, 0.5);
  HostSets(kPresetBackward, 1.0);
  EXPECT_EQ(*calls, (std::vector<std::string>{"step +1", "step -1"}));
  Block();
  EXPECT_FALSE(plugin.KeyHeld(60));
  EXPECT_EQ(Value(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(EngineValue(kPresetForward), 0.0);  // every value still reaches the engine
  EXPECT_EQ(EngineValue(kPresetBackward), 1.0);
}

TEST_F(PresetCommandTest, LoadActsOnEveryChangeAndTheSelectorLoadsFromTheLibrary) {
  HostSets(kPresetLoad, 1.0);
  HostSets(kPresetLoad, 0.0);
  HostSets(kPresetSelector, 3.0);
  EXPECT_EQ(*calls, (std::vector<std::string>{"load", "load", "library"}));
}

TEST_F(PresetCommandTest, OnlyTheEditorsSaveButtonSaves) {
  HostSets(kPresetSave, 1.0);  // host automation
  EXPECT_TRUE(calls->empty());
  plugin.SetParamFromEditor(kPresetSave, 0.0);
  EXPECT_EQ(*calls, (std::vector<std::string>{"save"}));
  // The button is the editor's own business: a hidden parameter is never reported.
  EXPECT_TRUE(host.reported.empty());
}

TEST_F(PresetCommandTest, RestoringAStateNeverStepsLoadsOrSaves) {
  // A state saved right after pressing every preset command.
  for (int index : {kPresetBackward, kPresetForward, kPresetLoad, kPresetSave}) {
    plugin.GetParam(index)->SetValue(1.0);
  }
  plugin.GetParam(kContainerSize)->SetValue(0.66);
  StateChunk saved;
  plugin.SerializeParams(saved);
  plugin.GetParam(kContainerSize)->SetValue(0.1);
  NoteOn(60);
  Block();

  EXPECT_EQ(plugin.UnserializeParams(saved, 0), 208);  // host undo, project reload
  EXPECT_TRUE(plugin.RestorePreset(0));                 // the host's program change
  EXPECT_TRUE(calls->empty());
  Block();
  EXPECT_TRUE(plugin.KeyHeld(60));  // the replay does not clear the voices either
  // The replay still hands every value to the engine.
  EXPECT_EQ(EngineValue(kPresetForward), 0.0);  // the Init preset
  plugin.UnserializeParams(saved, 0);
  Block();
  EXPECT_EQ(EngineValue(kPresetForward), 1.0);
  EXPECT_EQ(EngineValue(kContainerSize), 0.66);
  EXPECT_EQ(Value(kContainerSize), 0.66);
}

TEST_F(InstrumentTest, WithoutALibraryThePresetCommandsOnlyReachTheEngine) {
  plugin.SetPresetLibrary(nullptr);
  plugin.GetParam(kPresetSelector)->SetValue(5.0);
  plugin.ParamChanged(kPresetSelector);
  Block();
  EXPECT_EQ(EngineValue(kPresetSelector), 5.0);
  plugin.SetParamFromEditor(kPresetSave, 1.0);
  Block();
  EXPECT_EQ(EngineValue(kPresetSave), 1.0);
}

}  // namespace
}  // namespace fluvia
