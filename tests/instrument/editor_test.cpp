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
#include "graphics/pix/pix_bitmap.h"
#include "graphics/text_control.h"
#include "graphics/value_readout.h"
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
  EXPECT_EQ(editor_->NumControls(), 24);  // 22 layout rows, the size menu, the knobs' readout
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
  editor_->QueueMenuChoice({1}, 0);  // Factory > SFX, its one preset here: "SFX - Shower"
  editor_->Click(500, 100);
  EXPECT_EQ(Value(kAmpMainVolume), 0.5);
  EXPECT_EQ(Value(kContainerSize), 0.25);
  EXPECT_EQ(Value(kSoundfieldAmt), 1.0);
  Block();
  EXPECT_EQ(plugin().Engine().Parameter(kSoundfieldAmt), 1.0);
  EXPECT_EQ(ShownName(), "SFX - Shower");
  EXPECT_EQ(Value(kPresetSelector), 0.0);

  // It is the only preset: both arrows stay on it.
  plugin().GetParam(kAmpMainVolume)->SetValue(0.1);
  editor_->Click(900, 100);
  EXPECT_EQ(ShownName(), "SFX - Shower");
  EXPECT_EQ(Value(kAmpMainVolume), 0.1);
  editor_->Click(100, 100);
  EXPECT_EQ(ShownName(), "SFX - Shower");
  EXPECT_EQ(Value(kAmpMainVolume), 0.1);
  // A preset saved into the user folder by another program is seen at the next click.
  std::ofstream(folder_ / "User" / "Stream.fluviapreset") << "<AmpMainVolume>0.3</AmpMainVolume>";
  editor_->Click(900, 100);
  EXPECT_EQ(ShownName(), "Stream");
  EXPECT_EQ(Value(kAmpMainVolume), double(0.3f));

  // The load dialog now starts from the library file last loaded.
  editor_->QueueFileCancel();
  editor_->Click(40, 100);
  ASSERT_FALSE(editor_->FilePrompts().empty());
  EXPECT_EQ(editor_->FilePrompts().back().file, (folder_ / "User" / "Stream.fluviapreset").string());
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
  editor_->QueueMenuChoice({1}, 0);
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

// What the editor shows, pixel by pixel (top row first).
std::vector<uint32_t> Picture(const PixBitmap& bitmap) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const int row = bitmap.IsFlipped() ? bitmap.Height() - 1 - y : y;
    const uint32_t* start = bitmap.Pixels() + size_t(row) * size_t(bitmap.RowSpan());
    pixels.insert(pixels.end(), start, start + bitmap.Width());
  }
  return pixels;
}

// The pixels of the rectangle that differ between two pictures of that width.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width,
              const IBounds& r) {
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      count += a[size_t(y) * size_t(width) + size_t(x)] != b[size_t(y) * size_t(width) + size_t(x)];
    }
  }
  return count;
}

TEST_F(EditorTest, AKnobShowsItsNameAndValueInWordsOnHoverAndWhileItMoves) {
  const IValueReadout& readout = *plugin().EditorParts().readout;
  editor_->Tick();
  const int width = editor_->Width();
  const std::vector<uint32_t> before = Picture(*editor_->DrawSurface());

  // Resting on COLLISIONS (row 10, 110..270 x 210..370) shows it over its printed label.
  editor_->MouseMove(190, 290);
  EXPECT_EQ(readout.NameText(), "COLLISIONS");
  EXPECT_EQ(readout.ValueText(), "608 Hz");
  const IBounds plate = readout.Plate();
  EXPECT_EQ(plate.top, 366);
  EXPECT_EQ(plate.bottom, 402);
  EXPECT_GE(plate.left, 58);
  EXPECT_NEAR((plate.left + plate.right) / 2, 190, 40);
  editor_->Tick();
  EXPECT_GT(Differing(before, Picture(*editor_->DrawSurface()), width, plate),
            plate.W() * plate.H() / 10);
  // The host or a preset changes the value: the readout follows at once.
  editor_->SetParameterFromPlug(kParticlesCollisions, 1.0, true);
  EXPECT_EQ(readout.ValueText(), "20.00 kHz");

  // Off the knob it goes, and everything beneath it is drawn again.
  editor_->MouseMove(500, 150);
  EXPECT_TRUE(readout.Plate().Empty());
  editor_->SetParameterFromPlug(kParticlesCollisions, 0.25, true);
  editor_->Tick();
  EXPECT_EQ(Differing(before, Picture(*editor_->DrawSurface()), width, plate), 0);

  // A drag shows FADING (row 4) as it moves, also when the pointer leaves the knob and passes
  // over another one, and ends with the release away from it.
  IMouseKeys left;
  left.left = true;
  editor_->MouseMove(692, 780);
  editor_->MouseDown(692, 780, left);
  EXPECT_EQ(readout.NameText(), "FADING");
  EXPECT_EQ(readout.ValueText(), "900 ms");
  editor_->MouseMove(692, 700, left);
  editor_->MouseMove(840, 690, left);  // above VOLUME
  EXPECT_EQ(readout.NameText(), "FADING");
  EXPECT_NE(readout.ValueText(), "900 ms");
  EXPECT_EQ(readout.ValueText(), plugin().GetParam(kAmpFadeInOut)->FormatValue());
  editor_->MouseUp(840, 690, left);
  EXPECT_TRUE(readout.Plate().Empty());
  // The wheel shows it too.
  editor_->MouseWheel(840, 780, 120);
  EXPECT_EQ(readout.NameText(), "VOLUME");
  EXPECT_EQ(readout.ValueText(), "76 %");
  editor_->MouseLeave();
  EXPECT_TRUE(readout.Plate().Empty());
}

TEST_F(EditorTest, TheSmallEditorsReadoutIsTheLargeOneHalved) {
  FluviaOptions small;
  small.api = PluginApi::VST2;
  small.artwork = ArtworkSet::Small;
  small.createGraphics = HeadlessGraphicsFactory();
  small.presetFolder = folder_.string() + "/";
  small.sizePreference = false;
  Fluvia vst2(small);
  auto* editor = dynamic_cast<IGraphicsHeadless*>(vst2.Editor());
  ASSERT_NE(editor, nullptr);
  int window = 0;
  editor->OpenWindow(&window);
  editor->MouseMove(250, 145);  // SYSTEM ENERGY
  const IValueReadout& readout = *vst2.EditorParts().readout;
  EXPECT_EQ(readout.NameText(), "SYSTEM ENERGY");
  EXPECT_EQ(readout.ValueText(), "30 %");
  EXPECT_EQ(readout.Plate().top, 183);
  EXPECT_EQ(readout.Plate().H(), 18);
  EXPECT_NEAR((readout.Plate().left + readout.Plate().right) / 2, 250, 2);
  editor->Tick();

  // Switching the size in place moves nothing stale along: the readout starts afresh.
  vst2.ChooseEditorSize(ArtworkSet::Large);
  EXPECT_TRUE(readout.Plate().Empty());
  editor->MouseMove(500, 290);
  EXPECT_EQ(readout.Plate().H(), 36);
}

}  // namespace
}  // namespace fluvia
