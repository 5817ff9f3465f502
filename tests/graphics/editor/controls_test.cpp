// The behaviour of each control class under the mouse and from the plug-in side.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "framework/parameter.h"
#include "graphics/bitmap_control.h"
#include "graphics/file_selector_control.h"
#include "graphics/knob_control.h"
#include "graphics/switch_control.h"
#include "graphics/text_control.h"
#include "tests/graphics/editor/editor_fixture.h"
#include "tests/graphics/editor/surface_helpers.h"

namespace fluvia::testing {
namespace {

using Log = std::vector<std::string>;

IMouseKeys Keys(bool shift = false, bool control = false) {
  IMouseKeys keys = IGraphicsHeadless::LeftButton();
  keys.shift = shift;
  keys.control = control;
  return keys;
}

IMouseKeys NoButton(bool shift = false, bool control = false) {
  IMouseKeys keys;
  keys.shift = shift;
  keys.control = control;
  return keys;
}

// A 160 x 160 vertical knob at (100, 100) on SystemEnergyAmt (default 0.3).
class KnobFixture : public EditorFixture {
 public:
  explicit KnobFixture(PluginApi api = PluginApi::VST3) : EditorFixture(api) {
    knob = &Add<IKnobMultiControl>(IBounds(100, 100, 260, 260), kSystemEnergyAmt,
                                   IBitmapStrip{nullptr, 0, 0, 29, false},
                                   IKnobControl::kVertical, 4.0);
    Attach();
    Settle();
  }
  double Param() const { return plugin.GetParam(kSystemEnergyAmt)->Value(); }
  IKnobMultiControl* knob;
};

TEST(Knob, DragMovesByHeightTimesGearingAndFinerWithModifiers) {
  struct Case {
    int dy;
    bool shift, control;
    double change;
  } cases[] = {
      {-160, false, false, 0.25},   // one knob height up: a quarter of the range
      {40, false, false, -0.0625},  // down lowers
      {-160, true, false, 0.025},   // shift: ten times finer
      {-160, false, true, 0.025},   // control too
      {-16, true, true, 0.0025},
  };
  for (const Case& c : cases) {
    KnobFixture f;
    f.graphics.Drag(180, 180, 180, 180 + c.dy, 8, Keys(c.shift, c.control));
    EXPECT_NEAR(f.knob->Value(), 0.3 + c.change, 1e-9) << c.dy;
    EXPECT_NEAR(f.Param(), 0.3 + c.change, 1e-9) << c.dy;
    // Every move was reported, bracketed by one begin and one end.
    const Log& events = f.plugin.host.events;
    ASSERT_EQ(events.size(), 10u);
    EXPECT_EQ(events.front(), "begin 18");
    EXPECT_EQ(events[1], "change 18");
    EXPECT_EQ(events.back(), "end 18");
  }
}

TEST(Knob, StaysAtTheEndOfItsRangeYetTellsTheHostOfEveryMove) {
  KnobFixture f;
  f.graphics.Drag(180, 180, 180, -1000, 5);
  EXPECT_DOUBLE_EQ(f.knob->Value(), 1.0);
  f.graphics.Drag(180, 180, 180, 100, 5);  // from 1, further up
  EXPECT_DOUBLE_EQ(f.knob->Value(), 1.0);
  ASSERT_EQ(f.plugin.host.changes.size(), 5u + 5u);
  for (const RecordingHost::Change& change : f.plugin.host.changes) {
    EXPECT_EQ(change.index, kSystemEnergyAmt);
  }
  EXPECT_DOUBLE_EQ(f.plugin.host.changes.back().normalised, 1.0);
  f.graphics.Drag(180, 180, 180, 5000, 2);
  EXPECT_DOUBLE_EQ(f.knob->Value(), 0.0);
}

TEST(Knob, HorizontalKnobFollowsSidewaysMovement) {
  EditorFixture f;
  IKnobMultiControl& knob = f.Add<IKnobMultiControl>(
      IBounds(0, 0, 100, 80), kAmpFadeInOut, IBitmapStrip{nullptr, 0, 0, 29, false},
      IKnobControl::kHorizontal, 2.0);
  f.Attach();
  f.graphics.Drag(50, 40, 100, 0, 1);  // right by 50, up by 40: only x counts
  EXPECT_NEAR(knob.Value(), 0.3 + 50.0 / 100.0 / 2.0, 1e-9);
}

TEST(Knob, WheelStepsByOneHundredthOrOneThousandth) {
  KnobFixture f;
  f.graphics.MouseWheel(180, 180, 3 * 120, NoButton());
  EXPECT_NEAR(f.knob->Value(), 0.33, 1e-9);
  f.graphics.MouseWheel(180, 180, -2 * 120, NoButton(true));
  EXPECT_NEAR(f.knob->Value(), 0.328, 1e-9);
  f.graphics.MouseWheel(180, 180, 120, NoButton(false, true));
  EXPECT_NEAR(f.knob->Value(), 0.329, 1e-9);
  EXPECT_NEAR(f.Param(), 0.329, 1e-9);
}

TEST(Knob, DoubleClickRestoresTheFirstValueThePluginReported) {
  EditorFixture f;
  IKnobMultiControl& knob = f.Add<IKnobMultiControl>(IBounds(0, 0, 100, 100), kAmpMainVolume,
                                                     IBitmapStrip{nullptr, 0, 0, 29, false});
  // Before the plug-in reported anything there is no default.
  EXPECT_DOUBLE_EQ(knob.DefaultValue(), -1.0);
  knob.SetValue(0.6);
  knob.OnMouseDblClick(10, 10, Keys());
  EXPECT_DOUBLE_EQ(knob.Value(), 0.6);

  f.Attach();  // reports AmpMainVolume = 0.75
  EXPECT_DOUBLE_EQ(knob.DefaultValue(), 0.75);
  f.graphics.Drag(50, 50, 50, 10, 2);
  EXPECT_NE(knob.Value(), 0.75);
  f.plugin.host.changes.clear();
  f.graphics.DoubleClick(50, 50);
  EXPECT_DOUBLE_EQ(knob.Value(), 0.75);
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kAmpMainVolume)->Value(), 0.75);
  ASSERT_EQ(f.plugin.host.changes.size(), 1u);
  // Later values from the plug-in do not move the default.
  f.graphics.SetParameterFromPlug(kAmpMainVolume, 0.2, true);
  EXPECT_DOUBLE_EQ(knob.DefaultValue(), 0.75);
}

TEST(Knob, RightClickPromptTakesATypedNumberAtTheNextTick) {
  EditorFixture f(PluginApi::VST2);
  IKnobMultiControl& knob = f.Add<IKnobMultiControl>(IBounds(100, 100, 200, 180), kHostTempoBpm,
                                                     IBitmapStrip{nullptr, 0, 0, 29, false});
  knob.DisablePrompt(false);
  f.Attach();
  f.Settle();
  f.graphics.MouseDown(150, 150, IGraphicsHeadless::RightButton());
  f.graphics.MouseUp(150, 150, IGraphicsHeadless::RightButton());
  IGraphicsHeadless::TextEntry* entry = f.graphics.ActiveTextEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text, "120.00000");
  EXPECT_EQ(entry->rect, IBounds(130, 132, 170, 148));  // 40 x 16 around the middle
  f.graphics.TypeText("12x.5y");  // letters are refused
  EXPECT_EQ(entry->text, "12.5");
  f.graphics.PressEnter();
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kHostTempoBpm)->Value(), 120.0);  // not before the tick
  f.graphics.Tick();
  EXPECT_EQ(f.graphics.ActiveTextEntry(), nullptr);
  EXPECT_NEAR(f.plugin.GetParam(kHostTempoBpm)->Value(), 12.5, 1e-9);
  EXPECT_NEAR(knob.Value(), 0.0125, 1e-12);

  // Escape leaves the value alone; the entry's length limit holds.
  f.graphics.MouseDown(150, 150, IGraphicsHeadless::RightButton());
  f.graphics.MouseUp(150, 150, IGraphicsHeadless::RightButton());
  f.graphics.TypeText("123456789");
  EXPECT_EQ(f.graphics.ActiveTextEntry()->text, "1234567");
  f.graphics.PressEscape();
  f.graphics.Tick();
  EXPECT_EQ(f.graphics.ActiveTextEntry(), nullptr);
  EXPECT_NEAR(f.plugin.GetParam(kHostTempoBpm)->Value(), 12.5, 1e-9);
}

TEST(Controls, ListParameterPromptIsAMenuOfItsValueTexts) {
  EditorFixture f(PluginApi::VST2);
  IParameter* mode = f.plugin.GetParam(kZInitParams);
  mode->InitRange("zInitParams", 1, 0, 3, 1);
  mode->SetKind(ParamKind::Enum);
  for (const char* text : {"Off", "Low", "Mid", "High"}) {
    mode->AddValueText(int(mode->ValueTexts().size()), text);
  }
  ProbeControl& probe = f.Probe(IBounds(0, 0, 50, 20), "mode", kZInitParams);
  probe.DisablePrompt(false);
  f.Attach();
  f.graphics.QueueMenuChoice({}, 2);
  f.graphics.MouseDown(10, 10, IGraphicsHeadless::RightButton());
  ASSERT_EQ(f.graphics.MenuPrompts().size(), 1u);
  const IGraphicsHeadless::MenuPrompt& prompt = f.graphics.MenuPrompts().front();
  EXPECT_EQ(prompt.texts, (Log{"Off", "Low", "Mid", "High"}));
  EXPECT_EQ(prompt.rect, IBounds(0, 0, 50, 20));  // list prompts cover the control
  EXPECT_DOUBLE_EQ(mode->Value(), 2.0);
  EXPECT_NEAR(probe.Value(), 2.0 / 3.0, 1e-12);

  // Dismissing changes nothing.
  f.graphics.MouseUp(10, 10, IGraphicsHeadless::RightButton());
  f.graphics.QueueMenuDismiss();
  f.graphics.MouseDown(10, 10, IGraphicsHeadless::RightButton());
  EXPECT_DOUBLE_EQ(mode->Value(), 2.0);
}

TEST(Contact, PressSendsOneReleaseSendsZero) {
  EditorFixture f;
  IContactControl& arrow = f.Add<IContactControl>(IBounds(0, 0, 40, 50), kPresetForward,
                                                  IBitmapStrip{nullptr, 0, 0, 1, false});
  f.Attach();
  f.Settle();
  f.plugin.paramChanges.clear();
  f.graphics.MouseDown(20, 20);
  EXPECT_DOUBLE_EQ(arrow.Value(), 1.0);
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kPresetForward)->Value(), 1.0);
  f.graphics.MouseUp(20, 20);
  EXPECT_DOUBLE_EQ(arrow.Value(), 0.0);
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kPresetForward)->Value(), 0.0);
  EXPECT_EQ(f.plugin.paramChanges, (std::vector<int>{kPresetForward, kPresetForward}));
  EXPECT_EQ(f.plugin.host.events,
            (Log{"begin 13", "change 13", "change 13", "end 13"}));
  // A quick second press is a press, not a double-click.
  f.graphics.DoubleClick(20, 20);
  EXPECT_DOUBLE_EQ(arrow.Value(), 1.0);
}

TEST(Contact, MultiFrameSwitchStepsAndWraps) {
  EditorFixture f;
  ISwitchControl& toggle = f.Add<ISwitchControl>(IBounds(0, 0, 10, 10), kAmpFadeInOut,
                                                 IBitmapStrip{nullptr, 0, 0, 3, false});
  f.Attach();
  toggle.SetValue(0.0);
  const double expected[] = {0.5, 1.0, 0.0, 0.5};
  for (double value : expected) {
    f.graphics.Click(5, 5);
    EXPECT_DOUBLE_EQ(toggle.Value(), value);
  }
}

class FileSelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ::testing::TempDir() + "fluvia_selector";
    std::remove((folder_ + "/Rain.fluviapreset").c_str());
    ::mkdir(folder_.c_str(), 0700);
    existing_ = folder_ + "/Rain.fluviapreset";
    std::ofstream(existing_) << "x";
  }
  std::string folder_;
  std::string existing_;
};

TEST_F(FileSelectorTest, ChoiceAndCancelBothToggleTheValueAndTellThePlugin) {
  EditorFixture f;
  IFileSelectorControl& load = f.Add<IFileSelectorControl>(
      IBounds(0, 80, 80, 130), kPresetLoad, IBitmapStrip{nullptr, 0, 0, 1, false},
      IFileSelectorControl::kOpen, "/start/here", "fluviapreset");
  f.Attach();
  f.Settle();
  f.plugin.paramChanges.clear();

  f.graphics.QueueFileChoice(existing_);
  f.graphics.Click(40, 100);
  ASSERT_EQ(f.graphics.FilePrompts().size(), 1u);
  const IGraphicsHeadless::FilePrompt& asked = f.graphics.FilePrompts()[0];
  EXPECT_EQ(asked.mode, IGraphics::kFileOpen);
  EXPECT_EQ(asked.directory, "/start/here");
  EXPECT_EQ(asked.extensions, "fluviapreset");
  EXPECT_EQ(asked.file, "");
  EXPECT_EQ(load.ChosenFile(), existing_);
  EXPECT_EQ(load.Directory(), folder_);
  EXPECT_DOUBLE_EQ(load.Value(), 1.0);
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kPresetLoad)->Value(), 1.0);

  // Cancelled: the file is forgotten, the value still flips and the plug-in still hears.
  f.graphics.QueueFileCancel();
  f.graphics.Click(40, 100);
  EXPECT_EQ(f.graphics.FilePrompts()[1].file, existing_);  // pre-filled with the last choice
  EXPECT_EQ(f.graphics.FilePrompts()[1].directory, folder_);
  EXPECT_EQ(load.ChosenFile(), "");
  EXPECT_DOUBLE_EQ(load.Value(), 0.0);
  EXPECT_DOUBLE_EQ(f.plugin.GetParam(kPresetLoad)->Value(), 0.0);

  // Open mode only accepts files that exist.
  f.graphics.QueueFileChoice(folder_ + "/Missing.fluviapreset");
  f.graphics.Click(40, 100);
  EXPECT_EQ(load.ChosenFile(), "");
  EXPECT_DOUBLE_EQ(load.Value(), 1.0);
  EXPECT_EQ(f.plugin.paramChanges, (std::vector<int>{kPresetLoad, kPresetLoad, kPresetLoad}));
}

TEST_F(FileSelectorTest, SaveModeHandsBackTheNameAsTypedAndShowsItsImageOnlyWhileAsking) {
  EditorFixture f;
  auto white = MakeStrip(100, 100, 1, [](int) { return kOpaqueWhite; });
  auto red = MakeStrip(80, 50, 1, [](int) { return kOpaqueRed; });
  f.Add<IBitmapControl>(IBounds(0, 0, 100, 100), -1, StripOf(*white, 1));
  IFileSelectorControl& save = f.Add<IFileSelectorControl>(
      IBounds(0, 0, 80, 50), kPresetSave, StripOf(*red, 1), IFileSelectorControl::kSave,
      folder_, "fluviapreset other");
  f.Attach();
  f.Settle();
  EXPECT_EQ(PixelAt(*f.graphics.DrawSurface(), 40, 25), kOpaqueWhite);

  // The editor keeps redrawing while the dialog is up, as under a desktop's modal loop.
  f.graphics.RunTimerDuringDialogs(true);
  f.graphics.QueueFileChoice(folder_ + "/My Sound");
  f.graphics.Click(40, 25);
  EXPECT_EQ(save.ChosenFile(), folder_ + "/My Sound");  // the plug-in completes the name
  EXPECT_EQ(f.graphics.FilePrompts()[0].mode, IGraphics::kFileSave);
  EXPECT_EQ(PixelAt(*f.graphics.DrawSurface(), 40, 25), kOpaqueRed);  // drawn while asking

  // Closed again: the next ticks repaint the place without the image, then all is quiet.
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(PixelAt(*f.graphics.DrawSurface(), 40, 25), kOpaqueWhite);
  EXPECT_TRUE(f.graphics.Tick());
  EXPECT_EQ(save.State(), IFileSelectorControl::kIdle);
  EXPECT_FALSE(f.graphics.Tick());
}

TEST_F(FileSelectorTest, WithoutAnEditorOrAWindowNothingIsAsked) {
  TestPlugin plugin;
  IFileSelectorControl detached(plugin, IBounds(0, 0, 10, 10), kPresetLoad,
                                IBitmapStrip{nullptr, 0, 0, 1, false},
                                IFileSelectorControl::kOpen, folder_, "fluviapreset");
  detached.OnMouseDown(5, 5, Keys());
  EXPECT_DOUBLE_EQ(detached.Value(), 0.0);
  EXPECT_EQ(detached.State(), IFileSelectorControl::kIdle);

  EditorFixture f;
  IFileSelectorControl& load = f.Add<IFileSelectorControl>(
      IBounds(0, 0, 10, 10), kPresetLoad, IBitmapStrip{nullptr, 0, 0, 1, false},
      IFileSelectorControl::kOpen, folder_, "fluviapreset");
  f.Attach();
  load.SetChosenFile(existing_);
  f.graphics.CloseWindow();
  f.graphics.QueueFileChoice(existing_);
  f.graphics.Click(5, 5);
  EXPECT_TRUE(f.graphics.FilePrompts().empty());
  EXPECT_EQ(load.ChosenFile(), "");  // a dialog that cannot open chooses nothing
  EXPECT_DOUBLE_EQ(load.Value(), 1.0);
}

TEST(TextControl, SetTextFromPlugFlagsARedrawOnlyForNewText) {
  EditorFixture f;
  ITextControl& name = f.Add<ITextControl>(IBounds(0, 0, 300, 40), ITextStyle(), "< Presets Library >");
  f.Attach();
  f.Settle();
  name.SetTextFromPlug("< Presets Library >");
  EXPECT_FALSE(name.IsDirty());
  name.SetTextFromPlug("SFX - Shower");
  EXPECT_TRUE(name.IsDirty());
  EXPECT_EQ(name.Text(), "SFX - Shower");
  name.SetTextFromPlug(nullptr);
  EXPECT_EQ(name.Text(), "");
}

TEST(Controls, ValueAndNameDisplaysFollowAPushedValue) {
  EditorFixture f;
  ITextControl& value = f.Add<ITextControl>(IBounds(0, 0, 100, 20), ITextStyle());
  ITextControl& name = f.Add<ITextControl>(IBounds(0, 20, 100, 40), ITextStyle());
  IKnobMultiControl& knob = f.Add<IKnobMultiControl>(IBounds(0, 40, 100, 140), kContainerSize,
                                                     IBitmapStrip{nullptr, 0, 0, 29, false});
  knob.SetValueDisplayControl(&value);
  knob.SetNameDisplayControl(&name);
  f.Attach();
  f.graphics.MouseWheel(50, 90, 120, NoButton());
  EXPECT_EQ(value.Text(), "0.11000 ");
  EXPECT_EQ(name.Text(), "ContainerSize");
}

TEST(Controls, GreyedControlIsNotHitAndKeepsItsValue) {
  KnobFixture f;
  f.knob->GrayOut(true);
  f.graphics.Drag(180, 180, 180, 20, 2);
  EXPECT_DOUBLE_EQ(f.knob->Value(), 0.3);
  EXPECT_TRUE(f.plugin.host.events.empty());
  f.knob->GrayOut(false);
  f.graphics.Drag(180, 180, 180, 20, 2);
  EXPECT_GT(f.knob->Value(), 0.3);
}

}  // namespace
}  // namespace fluvia::testing
