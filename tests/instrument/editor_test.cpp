// The instrument with its editor on the headless window host: the whole path from a user's
// click or a MIDI controller to the sound parameters, the preset files and back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "graphics/control.h"
#include "graphics/file_selector_control.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/text_control.h"
#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class EditorTest : public ::testing::Test {
 protected:
  // A folder per test: CTest runs the tests of this fixture in parallel processes.
  EditorTest()
      : folder_(fs::path(::testing::TempDir()) /
                (std::string("fluvia editor presets ü ") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "Factory");
    fs::create_directories(folder_ / "User");
    std::ofstream(folder_ / "Factory" / "SFX - Shower.fluviapreset")
        << "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
           "<AmpMainVolume>0.5</AmpMainVolume><ContainerSize>0.25</ContainerSize>"
           "<SoundfieldAmt>1</SoundfieldAmt>";
    FluviaOptions options;
    options.createGraphics = HeadlessGraphicsFactory();
    options.presetFolder = folder_.string() + "/";
    options.settingsFile = (folder_ / "Settings.txt").string();
    plugin_ = std::make_unique<Fluvia>(options);
    plugin_->SetSampleRate(48000.0);
    plugin_->SetMaxBlockSize(256);
    plugin_->ResetDsp();
    editor_ = dynamic_cast<IGraphicsHeadless*>(plugin_->Editor());
    // Menus and dialogs need an open editor window, as in a host.
    if (editor_) editor_->OpenWindow(&hostWindow_);
  }
  ~EditorTest() override { fs::remove_all(folder_); }

  Fluvia& plugin() { return *plugin_; }
  double Value(int index) { return plugin_->GetParam(index)->Value(); }
  // One processing call, as a host's audio thread makes it: what the editor changed reaches
  // the engine at its start.
  void Block(const std::vector<MidiMessage>& midi = {}) {
    std::vector<double> l(256), r(256);
    double* outs[] = {l.data(), r.data()};
    AudioThreadScope audio(*plugin_);
    for (const MidiMessage& message : midi) plugin_->ProcessMidi(message);
    plugin_->SetOutputChannelConnections(0, 2, true);
    plugin_->AttachOutputBuffers(0, 2, outs);
    plugin_->ProcessBuffers(256);
  }
  std::string ShownName() { return plugin_->EditorParts().presetName->Text(); }

  fs::path folder_;
  std::unique_ptr<Fluvia> plugin_;
  IGraphicsHeadless* editor_ = nullptr;
  int hostWindow_ = 0;
};

TEST_F(EditorTest, TheEditorIsBuiltAttachedAndShowsTheValues) {
  ASSERT_NE(editor_, nullptr);
  EXPECT_EQ(editor_->Width(), 1000);
  EXPECT_EQ(editor_->Height(), 960);
  EXPECT_EQ(editor_->NumControls(), 23);  // 22 layout rows and the size menu
  EXPECT_EQ(ShownName(), "< Presets Library >");
  // The volume knob (row 5) shows the parameter's default.
  EXPECT_DOUBLE_EQ(editor_->GetControl(5)->Value(), 0.75);

  FluviaOptions small;
  small.api = PluginApi::VST2;
  small.artwork = ArtworkSet::Small;
  small.createGraphics = HeadlessGraphicsFactory();
  small.presetFolder = folder_.string() + "/";
  small.settingsFile = (folder_ / "Settings.txt").string();
  Fluvia vst2(small);
  ASSERT_NE(vst2.Editor(), nullptr);
  EXPECT_EQ(vst2.Editor()->Width(), 500);
  EXPECT_EQ(vst2.Editor()->Height(), 480);
}

TEST_F(EditorTest, ControllersMoveTheKnobsAndKnobDragsReachTheEngine) {
  Block({{0, 0xB0, 7, 127}});
  // The audio thread only leaves the value for the editor, which shows it at its next tick.
  EXPECT_EQ(editor_->GetControl(5)->Value(), 0.75);
  editor_->Tick();
  EXPECT_EQ(editor_->GetControl(5)->Value(), 1.0);

  // Drag the SIZE knob (row 9, 730..890 x 210..370) up by one knob height: +1/4 of the range.
  const double before = Value(kContainerSize);
  editor_->Drag(810, 300, 810, 260, 4);
  EXPECT_NEAR(Value(kContainerSize), before + 40.0 / 160.0 / 4.0, 1e-9);
  Block();
  EXPECT_EQ(plugin().Engine().Parameter(kContainerSize), Value(kContainerSize));
}

TEST_F(EditorTest, ThePresetMenuLoadsALibraryPresetAndTheArrowsStepFromIt) {
  editor_->QueueMenuChoice({2}, 1);  // Factory > SFX, second entry: "SFX - Shower"
  editor_->Click(500, 100);
  EXPECT_EQ(Value(kAmpMainVolume), 0.5);
  EXPECT_EQ(Value(kContainerSize), 0.25);
  EXPECT_EQ(Value(kSoundfieldAmt), 1.0);
  Block();
  EXPECT_EQ(plugin().Engine().Parameter(kSoundfieldAmt), 1.0);
  EXPECT_EQ(ShownName(), "SFX - Shower");
  EXPECT_EQ(Value(kPresetSelector), 0.0);

  editor_->Click(900, 100);  // next: preset 4, whose file is missing
  EXPECT_EQ(ShownName(), "SFX - Shower");
  EXPECT_EQ(Value(kAmpMainVolume), 0.5);
  editor_->Click(100, 100);  // previous: back to 3
  EXPECT_EQ(ShownName(), "SFX - Shower");

  // The load dialog now starts from the library file the menu loaded.
  editor_->QueueFileCancel();
  editor_->Click(40, 100);
  ASSERT_FALSE(editor_->FilePrompts().empty());
  EXPECT_EQ(editor_->FilePrompts().back().file,
            (folder_ / "Factory" / "SFX - Shower.fluviapreset").string());
}

TEST_F(EditorTest, TheSaveButtonWritesAndARestoredStateNeverOverwritesTheFile) {
  const fs::path target = folder_ / "User" / "USR - Fluvia User Preset 001.fluviapreset";
  plugin().GetParam(kAmpFadeInOut)->SetValue(0.125);
  editor_->QueueFileChoice(target.string());
  editor_->Click(960, 100);
  ASSERT_TRUE(fs::exists(target));
  const std::string saved = ReadFile(target);
  EXPECT_NE(saved.find("<AmpFadeInOut>0.125</AmpFadeInOut>"), std::string::npos);
  EXPECT_EQ(ShownName(), "USR - Fluvia User Preset 001");

  // Other values, then a host restore of a state saved with PresetSave = 1: the file stays.
  plugin().GetParam(kAmpFadeInOut)->SetValue(0.9);
  plugin().GetParam(kPresetSave)->SetValue(1.0);
  StateChunk chunk;
  plugin().SerializeParams(chunk);
  plugin().UnserializeParams(chunk, 0);
  EXPECT_EQ(ReadFile(target), saved);
  EXPECT_EQ(Value(kAmpFadeInOut), 0.9);  // and the restored values stay restored

  // Host automation of the save parameter does not write either.
  plugin().GetParam(kPresetSave)->SetValue(0.0);
  plugin().ParamChanged(kPresetSave);
  EXPECT_EQ(ReadFile(target), saved);

  // A cancelled save dialog writes nothing.
  editor_->QueueFileCancel();
  editor_->Click(960, 100);
  EXPECT_EQ(ReadFile(target), saved);
}

TEST_F(EditorTest, RestoringAStateDoesNotReloadTheLastPresetFile) {
  editor_->QueueMenuChoice({2}, 1);
  editor_->Click(500, 100);
  ASSERT_EQ(Value(kAmpMainVolume), 0.5);
  plugin().GetParam(kAmpMainVolume)->SetValue(0.9);
  plugin().GetParam(kContainerSize)->SetValue(0.7);
  StateChunk chunk;
  plugin().SerializeParams(chunk);
  plugin().GetParam(kAmpMainVolume)->SetValue(0.2);
  EXPECT_EQ(plugin().UnserializeParams(chunk, 0), 208);
  EXPECT_EQ(Value(kAmpMainVolume), 0.9);
  EXPECT_EQ(Value(kContainerSize), 0.7);
  Block();
  EXPECT_EQ(plugin().Engine().Parameter(kAmpMainVolume), 0.9);
}

}  // namespace
}  // namespace fluvia
