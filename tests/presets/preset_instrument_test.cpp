// The preset library inside the instrument, with its editor on the headless window host: the
// way a user reaches it. The instrument's own dispatch (what it does before it calls the
// library) is tested with the instrument.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/knob_control.h"
#include "graphics/text_control.h"
#include "instrument/fluvia.h"
#include "presets/preset_library_impl.h"
#include "presets/preset_numbers.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia {
namespace {

using testing::ScratchFolder;

class PresetInstrumentTest : public ::testing::Test {
 protected:
  static FluviaOptions Options(const std::string& folder) {
    FluviaOptions options;
    options.createGraphics = HeadlessGraphicsFactory();
    options.presetFolder = folder;
    return options;
  }

  PresetInstrumentTest() : folder(scratch.Path() + "Presets/"), plugin(Options(folder)) {
    plugin.SetInputChannelConnections(0, 2, true);
    plugin.SetOutputChannelConnections(0, 2, true);
    plugin.SetSampleRate(48000.0);
    plugin.SetMaxBlockSize(256);
    plugin.ResetDsp();
    editor = dynamic_cast<IGraphicsHeadless*>(plugin.Editor());
    library = dynamic_cast<PresetLibrary*>(plugin.Presets());
    editor->OpenWindow(&parent);
  }
  // One processing call, as a host's audio thread makes it.
  void Block() {
    std::vector<double> l(256), r(256);
    double* outs[2] = {l.data(), r.data()};
    AudioThreadScope audio(plugin);
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(256);
  }
  void NoteOn(int key) {
    AudioThreadScope audio(plugin);
    plugin.ProcessMidi({0, 0x90, uint8_t(key), 100});
  }
  double Value(int index) const { return plugin.GetParam(index)->Value(); }
  std::string Shown() const { return plugin.EditorParts().presetName->Text(); }

  ScratchFolder scratch;
  std::string folder;
  Fluvia plugin;
  IGraphicsHeadless* editor = nullptr;
  PresetLibrary* library = nullptr;
  int parent = 0;
};

TEST_F(PresetInstrumentTest, AMenuChoiceStopsTheNoteAndLoadsThePreset) {
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library->Folder(), folder);
  ScratchFolder::Write(library->PresetFilePath(3),
                       "<SystemEnergyAmt>0.9</SystemEnergyAmt><SoundfieldAmt>0.4</SoundfieldAmt>");
  ScratchFolder::Write(library->PresetFilePath(5), "<SystemEnergyAmt>0.2</SystemEnergyAmt>");
  NoteOn(60);
  Block();
  ASSERT_TRUE(plugin.KeyHeld(60));

  // The menu lists what the folder holds when it opens: the two effects written above.
  editor->QueueMenuChoice({1}, 0);  // Factory > SFX > SFX - Shower
  editor->Click(500, 100);

  // The voices stop and the preset sounds from the next block start on, together.
  EXPECT_TRUE(plugin.VoiceResetRequested());
  Block();
  EXPECT_FALSE(plugin.KeyHeld(60));
  EXPECT_EQ(plugin.Engine().Parameter(kVoice00_NoteGate), 0.0);
  EXPECT_EQ(Value(kSystemEnergyAmt), double(0.9f));
  EXPECT_EQ(plugin.Engine().Parameter(kSoundfieldAmt), double(0.4f));
  EXPECT_EQ(plugin.EditorParts().knobs[3]->Value(), double(0.9f));  // row 7, SystemEnergyAmt
  EXPECT_EQ(Shown(), "SFX - Shower");
  EXPECT_EQ(library->CurrentPresetNumber(), 3.0f);
  EXPECT_EQ(Value(kPresetSelector), 0.0);
  EXPECT_EQ(plugin.Engine().Parameter(kPresetSelector), 0.0);

  // The next arrow (row 17) steps on to the next preset there is: SFX - Waterfall is not.
  editor->Click(900, 100);
  EXPECT_EQ(library->CurrentPresetNumber(), 5.0f);
  EXPECT_EQ(Shown(), "SFX - Light Rain");
  editor->Click(900, 100);  // the last: nothing changes
  EXPECT_EQ(Shown(), "SFX - Light Rain");
  EXPECT_EQ(Value(kSystemEnergyAmt), double(0.2f));
}

TEST_F(PresetInstrumentTest, SaveButtonSavesAndARestoredStateDoesNotSaveAgain) {
  plugin.GetParam(kContainerSize)->SetValue(0.33);
  plugin.ParamChanged(kContainerSize);
  const std::string path = folder + "User/USR - Fluvia User Preset 002.fluviapreset";
  ScratchFolder::Write(path, "old");
  editor->QueueFileChoice(path);
  editor->Click(960, 100);
  EXPECT_NE(ScratchFolder::Read(path).find("<ContainerSize>0.33</ContainerSize>"), std::string::npos);
  EXPECT_EQ(Shown(), "USR - Fluvia User Preset 002");

  // A saved state replays PresetSave; the file keeps what the user saved.
  StateChunk state;
  plugin.SerializeParams(state);
  plugin.GetParam(kContainerSize)->SetValue(0.9);
  const std::string saved = ScratchFolder::Read(path);
  plugin.UnserializeParams(state, 0);
  EXPECT_EQ(ScratchFolder::Read(path), saved);
  EXPECT_EQ(Value(kContainerSize), 0.33);
}

}  // namespace
}  // namespace fluvia
