// The editor's two sizes: the size menu switches the live editor in place, the choice is the
// person's preference (a settings file shared by instances, never the plug-in's state), and
// the default gives way to the screen.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "graphics/editor_size_menu.h"
#include "graphics/file_selector_control.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/bitmap_control.h"
#include "graphics/knob_control.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/text_control.h"
#include "presets/editor_settings.h"
#include "tests/instrument/instrument_fixture.h"

namespace fluvia {
namespace {

namespace fs = std::filesystem;

class EditorSizeTest : public ::testing::Test {
 protected:
  EditorSizeTest()
      : folder_(fs::path(::testing::TempDir()) /
                (std::string("fluvia editor size ") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "Presets" / "Factory");
    std::ofstream(folder_ / "Presets" / "Factory" / "SFX - Shower.fluviapreset")
        << "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
           "<AmpMainVolume>0.5</AmpMainVolume><ContainerSize>0.25</ContainerSize>";
  }
  ~EditorSizeTest() override { fs::remove_all(folder_); }

  fs::path Settings() const { return folder_ / "Settings.txt"; }

  // An instance as a module makes it, with its editor window open.
  std::unique_ptr<Fluvia> Make(PluginApi api = PluginApi::VST3, HeadlessOptions headless = {}) {
    FluviaOptions options;
    options.api = api;
    options.artwork = api == PluginApi::VST2 ? ArtworkSet::Small : ArtworkSet::Large;
    options.createGraphics = HeadlessGraphicsFactory(headless);
    options.presetFolder = (folder_ / "Presets").string() + "/";
    options.settingsFile = Settings().string();
    auto plugin = std::make_unique<Fluvia>(options);
    plugin->EditorAboutToOpen();
    Editor(*plugin).OpenWindow(&hostWindow_);
    return plugin;
  }
  static IGraphicsHeadless& Editor(Fluvia& plugin) {
    return static_cast<IGraphicsHeadless&>(*plugin.Editor());
  }
  // Opens the size menu on the header and picks "Small" (0) or "Large" (1).
  static void ChooseFromMenu(Fluvia& plugin, int entry) {
    IGraphicsHeadless& editor = Editor(plugin);
    editor.QueueMenuChoice({}, entry);
    editor.Click(editor.Width() / 3, 10, IGraphicsHeadless::RightButton());
  }

  fs::path folder_;
  int hostWindow_ = 0;
};

TEST_F(EditorSizeTest, TheMenuResizesInPlaceKeepingControlsValuesAndThePresetName) {
  auto plugin = Make();
  IGraphicsHeadless& editor = Editor(*plugin);
  ASSERT_EQ(editor.Width(), 1000);
  // A preset loaded, a knob moved: state the person would lose if the editor were rebuilt.
  editor.QueueMenuChoice({1}, 0);  // Factory > SFX, its one preset here
  editor.Click(500, 100);
  ASSERT_EQ(plugin->EditorParts().presetName->Text(), "SFX - Shower");
  editor.Drag(810, 300, 810, 260, 4);  // SIZE knob up
  const double size = plugin->GetParam(kContainerSize)->Value();
  const EditorControls before = plugin->EditorParts();
  StateChunk stateBefore;
  plugin->SerializeParams(stateBefore);

  ChooseFromMenu(*plugin, 0);
  const std::vector<std::string> shown = editor.MenuPrompts().back().texts;
  EXPECT_EQ(shown, (std::vector<std::string>{"Small", "Large"}));
  EXPECT_EQ(editor.Width(), 500);
  EXPECT_EQ(editor.Height(), 480);
  EXPECT_EQ(editor.Artwork(), ArtworkSet::Small);
  EXPECT_EQ(plugin->CurrentEditorSize(), ArtworkSet::Small);
  EXPECT_EQ(editor.NumControls(), 24);
  EXPECT_TRUE(editor.WindowIsOpen());

  // The same controls, moved to the small layout, with their values and the name.
  const EditorControls& after = plugin->EditorParts();
  for (int row = 0; row < EditorControls::kNumRows; ++row) {
    EXPECT_EQ(after.rows[row], before.rows[row]) << "row " << row;
    EXPECT_EQ(editor.GetControl(row), before.rows[row]) << "row " << row;
  }
  EXPECT_EQ(after.presetName->Text(), "SFX - Shower");
  EXPECT_EQ(after.knobs[5]->Rect(), IBounds(365, 105, 445, 185));
  EXPECT_EQ(after.knobs[5]->Strip().width, 80);
  // The backdrop images are twice the editor's size in either set.
  EXPECT_EQ(editor.GetControl(0)->Rect(), IBounds(0, 0, 1000, 1000));
  EXPECT_DOUBLE_EQ(after.knobs[5]->Value(), plugin->GetParam(kContainerSize)->ToNormalised(size));

  // The small editor works at its own coordinates: the SIZE knob is at half the place, the
  // preset arrows step the library.
  editor.Drag(405, 150, 405, 130, 4);
  EXPECT_NEAR(plugin->GetParam(kContainerSize)->Value(), size + 20.0 / 80.0 / 4.0, 1e-9);
  editor.Tick();
  EXPECT_EQ(editor.DrawSurface()->Width(), 500);

  // The plug-in's state knows nothing of the size.
  plugin->GetParam(kContainerSize)->SetValue(size);
  StateChunk stateAfter;
  plugin->SerializeParams(stateAfter);
  ASSERT_EQ(stateAfter.Size(), stateBefore.Size());
  EXPECT_TRUE(std::equal(stateAfter.Data(), stateAfter.Data() + stateAfter.Size(),
                         stateBefore.Data()));

  // And back.
  ChooseFromMenu(*plugin, 1);
  EXPECT_EQ(editor.Width(), 1000);
  EXPECT_EQ(static_cast<IBitmapControl*>(editor.GetControl(0))->Strip().width, 2000);
  EXPECT_EQ(after.knobs[5]->Rect(), IBounds(730, 210, 890, 370));
  EXPECT_EQ(after.presetName->TextStyle().size, 40);
}

TEST_F(EditorSizeTest, TheLoadButtonAndTheArrowsWorkAtTheirSmallPlaces) {
  auto plugin = Make();
  IGraphicsHeadless& editor = Editor(*plugin);
  ChooseFromMenu(*plugin, 0);
  editor.QueueFileChoice((folder_ / "Presets" / "Factory" / "SFX - Shower.fluviapreset").string());
  editor.Click(20, 50);  // the load button
  EXPECT_EQ(plugin->GetParam(kAmpMainVolume)->Value(), 0.5);
  EXPECT_EQ(plugin->EditorParts().presetName->Text(), "SFX - Shower");
  editor.QueueMenuChoice({1}, 0);  // Factory > SFX, its one preset here
  editor.Click(250, 50);  // the preset bar opens the preset menu
  EXPECT_EQ(editor.MenuPrompts().back().rect, IBounds(60, 40, 440, 65));
}

TEST_F(EditorSizeTest, TheChoiceIsRememberedForNewInstancesButNotInTheirState) {
  {
    auto first = Make();
    ChooseFromMenu(*first, 0);
  }
  EXPECT_EQ(ReadEditorSettings(Settings().string()).size, ArtworkSet::Small);
  auto second = Make();
  EXPECT_EQ(Editor(*second).Width(), 500);
  // Every module follows the person's choice, the VST2 one too.
  ChooseFromMenu(*second, 1);
  auto vst2 = Make(PluginApi::VST2);
  EXPECT_EQ(Editor(*vst2).Width(), 1000);

  // A tool that draws a given size is not moved by the preference, nor by a small screen.
  ChooseFromMenu(*vst2, 0);
  HeadlessOptions smallScreen;
  smallScreen.workAreaWidth = 800;
  smallScreen.workAreaHeight = 600;
  FluviaOptions tool;
  tool.createGraphics = HeadlessGraphicsFactory(smallScreen);
  tool.presetFolder = (folder_ / "Presets").string() + "/";
  tool.settingsFile = Settings().string();
  tool.sizePreference = false;
  Fluvia drawn(tool);
  drawn.EditorAboutToOpen();
  EXPECT_EQ(Editor(drawn).Width(), 1000);
}

TEST_F(EditorSizeTest, ABadSettingsFileGivesTheDefaultQuietlyAndTheMenuStillWorks) {
  struct Case {
    const char* name;
    void (*prepare)(const fs::path& settings);
  };
  const Case cases[] = {
      {"missing", [](const fs::path&) {}},
      {"empty", [](const fs::path& p) { std::ofstream(p) << ""; }},
      {"garbage", [](const fs::path& p) { std::ofstream(p) << "EditorSize=Huge\n\x01\xff=\n=\n"; }},
      {"binary", [](const fs::path& p) { std::ofstream(p, std::ios::binary) << std::string(5000, '\0'); }},
      {"too large", [](const fs::path& p) { std::ofstream(p) << std::string(1 << 20, 'x'); }},
      {"a folder", [](const fs::path& p) { fs::create_directories(p / "inside"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Settings());
    c.prepare(Settings());
    auto plugin = Make();
    IGraphicsHeadless& editor = Editor(*plugin);
    EXPECT_EQ(editor.Width(), 1000);
    ChooseFromMenu(*plugin, 0);
    EXPECT_EQ(editor.Width(), 500);  // chosen, even where it cannot be remembered
    EXPECT_TRUE(editor.MessageBoxes().empty());
    EXPECT_EQ(editor.Notice(), "");
  }
}

TEST_F(EditorSizeTest, AnUnwritableSettingsFolderLeavesTheEditorWorking) {
  // A file stands where the folder should be: refused even to root.
  std::ofstream(folder_ / "not a folder") << "x";
  FluviaOptions options;
  options.createGraphics = HeadlessGraphicsFactory();
  options.presetFolder = (folder_ / "Presets").string() + "/";
  options.settingsFile = (folder_ / "not a folder" / "Settings.txt").string();
  Fluvia plugin(options);
  IGraphicsHeadless& editor = Editor(plugin);
  editor.OpenWindow(&hostWindow_);
  ChooseFromMenu(plugin, 0);
  EXPECT_EQ(editor.Width(), 500);
  EXPECT_TRUE(editor.MessageBoxes().empty());
  EXPECT_FALSE(fs::exists(folder_ / "not a folder" / "Settings.txt"));
}

TEST_F(EditorSizeTest, LargeGivesWayToASmallWorkAreaUnlessThePersonChoseIt) {
  struct Case {
    int width, height;
    const char* stored;  // settings file content, null: none
    PluginApi api;
    int expectedWidth;
  };
  const Case cases[] = {
      {1366, 768, nullptr, PluginApi::VST3, 500},      // a laptop screen
      {1536, 824, nullptr, PluginApi::VST3, 500},      // 1080 lines at 125 %, minus a task bar
      {1920, 1050, nullptr, PluginApi::VST3, 1000},    // it fits
      {0, 0, nullptr, PluginApi::VST3, 1000},          // the host cannot tell
      {1366, 768, "EditorSize=Large\n", PluginApi::VST3, 1000},  // chosen on purpose
      {1920, 1050, nullptr, PluginApi::VST2, 500},     // the VST2 default stays small
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
    fs::remove_all(Settings());
    if (c.stored) std::ofstream(Settings()) << c.stored;
    HeadlessOptions headless;
    headless.workAreaWidth = c.width;
    headless.workAreaHeight = c.height;
    auto plugin = Make(c.api, headless);
    EXPECT_EQ(Editor(*plugin).Width(), c.expectedWidth);
    // The fallback is not a choice: nothing is written.
    if (!c.stored) {
      EXPECT_FALSE(fs::exists(Settings()));
    }
  }
}

TEST_F(EditorSizeTest, AnExplicitScaleDrawsTheSmallEditorWithTheLargeArtwork) {
  std::ofstream(Settings()) << "EditorScale=2\nEditorSize=Small\n";
  auto plugin = Make();
  IGraphicsHeadless& editor = Editor(*plugin);
  EXPECT_EQ(plugin->CurrentEditorSize(), ArtworkSet::Small);
  EXPECT_EQ(editor.Artwork(), ArtworkSet::Large);
  EXPECT_EQ(editor.Width(), 1000);  // device pixels
  ChooseFromMenu(*plugin, 0);
  EXPECT_EQ(editor.MenuPrompts().back().menu->Item(0)->Checked(), true);
  // Changing the size keeps the person's scale line.
  ChooseFromMenu(*plugin, 1);
  const EditorSettings kept = ReadEditorSettings(Settings().string());
  EXPECT_EQ(kept.scale, 2.0);
  EXPECT_EQ(kept.size, ArtworkSet::Large);
}

// Entries of the program showing the editor, below the sizes: what it added, and where choices
// of its entries (top level and sub-menu) end up.
class RecordingEntries : public IHeaderMenuEntries {
 public:
  void AddEntries(IMenuList& menu) override {
    ++openings;
    sub_ = std::make_unique<IMenuList>();
    sub_->AddItem("First");
    sub_->AddItem("Second", IMenuEntry::kChecked);
    menu.AddItem("Hold");
    menu.AddSubMenu("Choices", sub_.get());
  }
  void EntryChosen(IMenuList& list, int index) override {
    chosen.push_back({&list == sub_.get() ? "sub" : "top", index});
  }

  int openings = 0;
  std::vector<std::pair<std::string, int>> chosen;

 private:
  std::unique_ptr<IMenuList> sub_;
};

TEST_F(EditorSizeTest, AProgramAddsItsOwnEntriesBelowTheSizes) {
  auto plugin = Make();
  IGraphicsHeadless& editor = Editor(*plugin);
  auto* menu = dynamic_cast<IEditorSizeMenu*>(plugin->EditorParts().sizeMenu);
  ASSERT_NE(menu, nullptr);
  RecordingEntries entries;
  menu->SetExtraEntries(&entries);

  editor.QueueMenuChoice({4}, 0);  // "Choices" > "First"
  editor.Click(editor.Width() / 3, 10);
  EXPECT_EQ(editor.MenuPrompts().back().texts,
            (std::vector<std::string>{"Small", "Large", "", "Hold", "Choices"}));
  editor.QueueMenuChoice({}, 3);  // "Hold"
  editor.Click(editor.Width() / 3, 10);
  ChooseFromMenu(*plugin, 0);  // the sizes work as before
  EXPECT_EQ(editor.Width(), 500);
  EXPECT_EQ(entries.openings, 3);
  EXPECT_EQ(entries.chosen, (std::vector<std::pair<std::string, int>>{{"sub", 0}, {"top", 3}}));

  // Without the entries the menu is the sizes alone again.
  menu->SetExtraEntries(nullptr);
  ChooseFromMenu(*plugin, 1);
  EXPECT_EQ(editor.MenuPrompts().back().texts, (std::vector<std::string>{"Small", "Large"}));
  EXPECT_EQ(entries.openings, 3);
}

}  // namespace
}  // namespace fluvia
