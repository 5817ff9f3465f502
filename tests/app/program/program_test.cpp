// The application as a person and other programs meet it: under a private X server, with a
// private JACK server (the dummy driver) and the test's own JACK client listening to its sound
// and sending it MIDI. The program runs as a separate process, started and ended by the test.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <thread>

#include "app/application.h"
#include "graphics/headless/graphics_headless.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"
#include "instrument/fluvia.h"
#include "tests/app/program/jack_probe.h"
#include "tests/app/program/program_process.h"
#include "tests/app/program/screen_user.h"
#include "tests/graphics/x11/test_display.h"

// Last: Xlib's key symbols.
#include <X11/keysym.h>

namespace fluvia::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr int kRate = 48000;
constexpr int kHeaderX = 333, kHeaderY = 10;  // where the header menu opens (large editor)

void Sleep(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// The instrument driven as a plug-in host drives it: a note of velocity 100 from the start,
// `seconds` of the left channel at 48 kHz in blocks of 128 (the JACK server's).
std::vector<float> PluginNote(double seconds, int note = 60) {
  FluviaOptions options;
  options.presetFolder = ::testing::TempDir() + "fluvia-program-reference/";
  Fluvia plugin(options);
  plugin.SetOutputChannelConnections(0, 2, true);
  plugin.SetSampleRate(kRate);
  plugin.SetMaxBlockSize(128);
  plugin.ResetDsp();
  std::vector<float> out, l(128), r(128);
  float* outs[] = {l.data(), r.data()};
  std::lock_guard<std::recursive_mutex> lock(plugin.Mutex());
  plugin.ProcessMidi({0, 0x90, uint8_t(note), 100});
  for (int b = 0; b < int(seconds * kRate / 128); ++b) {
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(128);
    out.insert(out.end(), l.begin(), l.end());
  }
  return out;
}

// The level the plug-in gives over [from, to) seconds after its note started.
double PluginLevel(double from, double to) {
  const std::vector<float> note = PluginNote(to);
  return Rms(std::vector<float>(note.begin() + long(from * kRate), note.end()));
}

// Within 3 dB of each other.
::testing::AssertionResult SameLevel(double heard, double expected) {
  const double ratio = heard / expected;
  if (expected > 0.0 && ratio > 0.7 && ratio < 1.42) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "heard rms " << heard << ", the plug-in gives "
                                       << expected;
}

// A note that sounds, when the moment it started is known only roughly (its level still
// grows over the first seconds): at least a tenth of the plug-in's level after a second.
::testing::AssertionResult Sounds(const std::vector<float>& heard) {
  static const double expected = PluginLevel(1.0, 2.0);
  if (Rms(heard) > expected / 10) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "heard rms " << Rms(heard) << ", the plug-in gives "
                                       << expected;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(StartTestDisplay(why)) << why;
    screen_ = std::make_unique<ScreenUser>();  // on the display just started
    ASSERT_TRUE(screen_->Ok());
    home_ = fs::path(::testing::TempDir()) /
            (std::string("fluvia app ") +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
    fs::create_directories(home_ / "bin");
    jackName_ = JackServer::UniqueName();
  }
  void TearDown() override { fs::remove_all(home_); }

  fs::path Folder() const { return home_ / "Documents" / "VelmoraAudio" / "Fluvia"; }
  fs::path SettingsFile() const { return Folder() / "Settings.txt"; }
  fs::path StateFile() const { return Folder() / "Application State.dat"; }

  std::unique_ptr<ProgramProcess> Launch(const std::vector<std::string>& arguments) {
    const std::string path = (home_ / "bin").string() + ":" + std::getenv("PATH");
    auto app = std::make_unique<ProgramProcess>(
        FLUVIA_APP_PROGRAM, arguments,
        std::vector<std::string>{"HOME=" + home_.string(),
                                 "XDG_CONFIG_HOME=" + (home_ / ".config").string(),
                                 "JACK_DEFAULT_SERVER=" + jackName_,
                                 "PULSE_SERVER=unix:" + (home_ / "no-pulse").string(),
                                 "PATH=" + path},
        (home_ / ("stderr-" + std::to_string(++launches_) + ".txt")).string());
    return app;
  }

  // A stand-in for the desktop's file dialog that answers with this file.
  void AnswerFileDialogsWith(const fs::path& file) {
    const fs::path script = home_ / "bin" / "zenity";
    std::ofstream(script) << "#!/bin/sh\necho '" << file.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  // The editor as the headless host draws it for the size (optionally with a notice).
  static std::vector<uint32_t> Expected(ArtworkSet size, const std::string& notice = {}) {
    FluviaOptions options;
    options.api = PluginApi::VST3;
    options.artwork = size;
    options.sizePreference = false;
    options.createGraphics = HeadlessGraphicsFactory();
    options.presetFolder = ::testing::TempDir() + "fluvia-program-reference/";
    Fluvia plugin(options);
    auto& editor = static_cast<IGraphicsHeadless&>(*plugin.Editor());
    editor.OpenWindow(nullptr);
    if (!notice.empty()) editor.ShowNotice(notice);
    for (int i = 0; i < 6 && editor.Tick(); ++i) {
    }
    std::vector<uint32_t> pixels;
    const PixBitmap* surface = editor.DrawSurface();
    for (int y = 0; y < surface->Height(); ++y) {
      for (int x = 0; x < surface->Width(); ++x) {
        pixels.push_back(surface->Pixels()[size_t(y) * size_t(surface->RowSpan()) + size_t(x)] &
                         0xffffffu);
      }
    }
    return pixels;
  }

  // The snapshot tool's picture of the editor (what tools/snapshot makes of it).
  std::vector<uint32_t> Snapshot(const char* set, const std::string& presetFolder = {},
                                 const std::vector<std::string>& values = {}) {
    const fs::path png = home_ / (std::string("snapshot-") + set + ".png");
    std::vector<std::string> arguments = {
        "--set", set, "--out", png.string(), "--preset-folder",
        presetFolder.empty() ? (home_ / "snapshot presets/").string() : presetFolder};
    arguments.insert(arguments.end(), values.begin(), values.end());
    ProgramProcess tool(FLUVIA_SNAPSHOT_PROGRAM, arguments, {},
                        (home_ / "snapshot.txt").string());
    EXPECT_EQ(tool.Wait(20000), 0) << tool.Errors();
    std::unique_ptr<PixMemBitmap> bitmap(PixLoadPngFromFile(png.string().c_str(), true));
    std::vector<uint32_t> pixels;
    if (!bitmap) return pixels;
    for (int y = 0; y < bitmap->Height(); ++y) {
      for (int x = 0; x < bitmap->Width(); ++x) {
        pixels.push_back(bitmap->Pixels()[size_t(y) * size_t(bitmap->RowSpan()) + size_t(x)] &
                         0xffffffu);
      }
    }
    return pixels;
  }

  // Pixels of the window that differ from `expected`, after waiting up to 5 s for it to agree.
  long Difference(const WindowInfo& window, const std::vector<uint32_t>& expected) {
    long differing = -1;
    for (int i = 0; i < 100; ++i) {
      const std::vector<uint32_t> shown =
          User().Screenshot(window.x, window.y, window.width, window.height);
      if (shown.size() == expected.size()) {
        differing = 0;
        for (size_t p = 0; p < shown.size(); ++p) differing += shown[p] != expected[p];
        if (differing == 0) return 0;
      }
      Sleep(50);
    }
    return differing;
  }

  // Opens the header menu and clicks a row; with `subRow` also a row of the sub-menu it opens.
  void ChooseFromMenu(const WindowInfo& window, int row, int subRow = -1,
                      std::vector<int> subSeparators = {}) {
    User().Click(window.x + kHeaderX * window.width / 1000, window.y + kHeaderY);
    std::vector<WindowInfo> menus = User().WaitForMenus(1, 3000);
    ASSERT_EQ(menus.size(), 1u) << "the header menu did not open";
    User().Click(menus[0].x + 40, MenuRowY(menus[0], row, {2}));
    if (subRow < 0) return;
    menus = User().WaitForMenus(2, 3000);
    ASSERT_EQ(menus.size(), 2u) << "the sub-menu did not open";
    const WindowInfo& sub = menus[1].x > menus[0].x ? menus[1] : menus[0];
    User().Click(sub.x + 40, MenuRowY(sub, subRow, subSeparators));
  }

  void WaitUntil(const std::function<bool()>& done, int timeoutMs, const char* what) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
      if (done()) return;
      Sleep(20);
    }
    ADD_FAILURE() << "timed out waiting for " << what;
  }

  // The program's MIDI input row for a port in the menu: "None", then the JACK MIDI outputs
  // in JACK's order.
  static int MidiRow(const JackProbe& probe, const std::string& port) {
    const std::vector<std::string> ports = probe.Ports(".*", true);
    int row = 1;
    for (const std::string& name : ports) {
      if (name.find("Fluvia MIDI") != std::string::npos) continue;
      if (name == port) return row;
      ++row;
    }
    return -1;
  }

  ScreenUser& User() { return *screen_; }

  std::unique_ptr<ScreenUser> screen_;
  fs::path home_;
  std::string jackName_;
  int launches_ = 0;
};

TEST_F(ProgramTest, AHeldNoteIsHeardTheWindowIsTheEditorAndSigtermSaves) {
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  JackProbe probe(jack.Name(), "probe");
  ASSERT_TRUE(probe.Ok());
  auto app = Launch({"--audio-api", "jack", "--audio-device", "system", "--hold-note"});
  ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 10000)) << app->Errors();
  ASSERT_TRUE(probe.ListenTo("Fluvia"));
  // The program's own connection to the device it was told to use.
  WaitUntil([&] { return probe.Connected("system:playback_1"); }, 3000, "the device connection");

  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u) << app->Errors();
  EXPECT_EQ(window.width, 1000);
  EXPECT_EQ(window.height, 960);
  EXPECT_EQ(User().WindowClass(window), "fluvia.Fluvia");
  EXPECT_TRUE(User().HasIcon(window));
  EXPECT_EQ(Difference(window, Snapshot("large")), 0);

  Sleep(700);  // the note is a second old by now
  const std::vector<float> heard = probe.Record(1.0);
  ASSERT_EQ(heard.size(), size_t(kRate));
  EXPECT_TRUE(SameLevel(Rms(heard), PluginLevel(1.0, 2.0)));

  app->Signal(SIGTERM);
  EXPECT_EQ(app->Wait(10000), 0) << app->Errors();
  EXPECT_TRUE(fs::exists(StateFile()));
  EXPECT_FALSE(fs::exists(SettingsFile()));  // the command line's choices are not kept
}

TEST_F(ProgramTest, NotesFromAMidiClientAndTheComputerKeyboardAreHeard) {
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  JackProbe probe(jack.Name(), "probe");
  ASSERT_TRUE(probe.Ok());
  auto app = Launch({"--midi-input", probe.MidiPort()});
  ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 10000)) << app->Errors();
  ASSERT_TRUE(probe.ListenTo("Fluvia"));
  WaitUntil([&] { return probe.Connected(probe.MidiPort()); }, 5000, "the MIDI connection");
  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u);

  EXPECT_EQ(Rms(probe.Record(0.3)), 0.0);  // nothing plays yet
  probe.SendMidi(0x90, 60, 100);
  Sleep(300);
  EXPECT_TRUE(SameLevel(Rms(probe.Record(1.0)), PluginLevel(0.3, 1.3)));
  probe.SendMidi(0x80, 60, 0);
  Sleep(1500);
  const double afterRelease = Rms(probe.Record(0.5));

  // The A key plays middle C while the window has the focus, and its release ends it.
  User().MoveTo(window.x + 500, window.y + 700);
  User().PressKey(XK_a);
  Sleep(300);
  const double keyLevel = Rms(probe.Record(1.0));
  EXPECT_TRUE(SameLevel(keyLevel, PluginLevel(0.3, 1.3)));
  EXPECT_LT(afterRelease, keyLevel / 4) << "the MIDI note-off did not end the note";
  User().ReleaseKey(XK_a);

  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0) << app->Errors();
}

TEST_F(ProgramTest, TheMenusChoicesTakeEffectAndSurviveARestart) {
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  JackProbe probe(jack.Name(), "probe");
  ASSERT_TRUE(probe.Ok());
  const fs::path recording = home_ / "recorded.wav";
  AnswerFileDialogsWith(recording);

  auto app = Launch({});
  ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 10000)) << app->Errors();
  ASSERT_TRUE(probe.ListenTo("Fluvia"));
  WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u);
  EXPECT_EQ(Rms(probe.Record(0.3)), 0.0);

  // Hold a note: the sound starts.
  ChooseFromMenu(window, 3);
  Sleep(700);
  EXPECT_TRUE(Sounds(probe.Record(0.5))) << app->Errors();

  // Record to a WAV file, then stop.
  ChooseFromMenu(window, 8);
  WaitUntil([&] { return fs::exists(recording); }, 3000, "the recording to start");
  Sleep(1000);
  ChooseFromMenu(window, 8);
  WaitUntil([&] { return app->Errors().find("recorded") != std::string::npos; }, 3000,
            "the recording to end");
  EXPECT_GT(fs::file_size(recording), 48000u * 2 * 4 / 2) << app->Errors();

  // The MIDI input, from the list of what is there.
  const int midiRow = MidiRow(probe, probe.MidiPort());
  ASSERT_GT(midiRow, 0);
  ChooseFromMenu(window, 7, midiRow);
  WaitUntil([&] { return probe.Connected(probe.MidiPort()); }, 3000, "the MIDI connection");

  // The small editor: the window follows.
  ChooseFromMenu(window, 0);
  WaitUntil([&] { return User().Refresh(window).width == 500; }, 3000, "the window to shrink");
  window = User().Refresh(window);
  EXPECT_EQ(window.height, 480);
  // Turn a knob (SIZE) so that the instrument's state differs from the defaults.
  User().Drag(window.x + 405, window.y + 150, window.x + 405, window.y + 120, 5);
  // Away from the window: a knob under the pointer shows its readout, which a new window
  // does not until the pointer moves.
  User().MoveTo(window.x + window.width + 40, window.y + window.height + 40);
  Sleep(300);
  const std::vector<uint32_t> before =
      User().Screenshot(window.x, window.y, window.width, window.height);
  EXPECT_NE(Difference(window, Snapshot("small")), 0);

  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0) << app->Errors();
  const std::string settings = Read(SettingsFile());
  EXPECT_NE(settings.find("EditorSize=Small"), std::string::npos) << settings;
  EXPECT_NE(settings.find("MidiApi=jack"), std::string::npos) << settings;
  EXPECT_NE(settings.find("MidiInput=" + probe.MidiPort()), std::string::npos) << settings;

  // The next start: same size, same knob, same MIDI input, without being told.
  WaitUntil([&] { return !probe.Connected(probe.MidiPort()); }, 3000, "the old connection");
  auto again = Launch({});
  window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u) << again->Errors();
  EXPECT_EQ(window.width, 500);
  EXPECT_EQ(Difference(window, before), 0);
  WaitUntil([&] { return probe.Connected(probe.MidiPort()); }, 5000, "the MIDI input again");
  User().RequestClose(window);
  EXPECT_EQ(again->Wait(10000), 0) << again->Errors();
}

TEST_F(ProgramTest, WithoutAnyAudioDeviceItSaysSoAndAnOutputChosenLaterPlays) {
  // No server under the name the program will look for, no sound server, no sound card.
  auto app = Launch({});
  WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u) << app->Errors();
  EXPECT_EQ(Difference(window, Expected(ArtworkSet::Large,
                                        app::WrapText(app::kNoAudioText, app::kNoticeColumns))),
            0)
      << app->Errors();
  EXPECT_NE(app->Errors().find("No audio device is available"), std::string::npos);

  // A server appears; the person picks its output from the menu and holds a note.
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  JackProbe probe(jack.Name(), "probe");
  User().Click(window.x + 500, window.y + 480);  // closes the notice
  ChooseFromMenu(window, 4, 0);
  ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 5000)) << app->Errors();
  ASSERT_TRUE(probe.ListenTo("Fluvia"));
  ChooseFromMenu(window, 3);
  Sleep(700);
  EXPECT_TRUE(Sounds(probe.Record(0.5))) << app->Errors();
  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0) << app->Errors();
  EXPECT_NE(Read(SettingsFile()).find("AudioDevice=system"), std::string::npos);
}

TEST_F(ProgramTest, AnOutputThatGoesAwayStopsTheSoundWithAMessage) {
  auto jack = std::make_unique<JackServer>(kRate, 128, jackName_);
  ASSERT_TRUE(jack->Running());
  auto app = Launch({"--hold-note"});
  {
    JackProbe probe(jack->Name(), "probe");
    ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 10000)) << app->Errors();
  }
  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u);
  jack->Kill();
  WaitUntil([&] { return app->Errors().find("went away") != std::string::npos; }, 5000,
            "the message");
  EXPECT_TRUE(app->Running());
  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0) << app->Errors();
}

TEST_F(ProgramTest, APresetChosenByNameStartsTheProgram) {
  const fs::path presets = Folder() / "Presets";
  fs::create_directories(presets / "Factory");
  for (const auto& file : fs::directory_iterator(FLUVIA_FACTORY_PRESET_DIR)) {
    if (file.path().extension() == ".fluviapreset") {
      fs::copy_file(file.path(), presets / "Factory" / file.path().filename());
    }
  }
  // Without its bank's prefix and in any case; no audio device is needed for it.
  auto app = Launch({"--preset", "heavy rain", "--audio-device", "none"});
  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u) << app->Errors();
  EXPECT_EQ(Difference(window, Snapshot("large", presets.string() + "/", {"PresetSelector=6"})), 0)
      << app->Errors();
  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0);

  auto missing = Launch({"--preset", "No Such Preset", "--audio-device", "none",
                         "--quit-after", "0.5"});
  EXPECT_EQ(missing->Wait(10000), 0);
  EXPECT_NE(missing->Errors().find("There is no preset called 'No Such Preset'"),
            std::string::npos)
      << missing->Errors();
}

TEST_F(ProgramTest, BadCommandLinesAreRefusedOnStandardError) {
  struct Case {
    std::vector<std::string> arguments;
    const char* says;
  };
  const Case cases[] = {
      {{"--sample-rate", "fast"}, "--sample-rate needs a whole number"},
      {{"--buffer-size", "0"}, "--buffer-size needs"},
      {{"--hold-note=300"}, "--hold-note needs a MIDI note number"},
      {{"--whatever"}, "unknown argument '--whatever'"},
      {{"--audio-api", "coreaudio"}, "--audio-api knows jack, pulse, alsa here, not 'coreaudio'"},
  };
  for (const Case& c : cases) {
    auto app = Launch(c.arguments);
    EXPECT_EQ(app->Wait(10000), 2);
    EXPECT_NE(app->Errors().find(c.says), std::string::npos) << app->Errors();
  }
  auto help = Launch({"--help"});
  EXPECT_EQ(help->Wait(10000), 0);
  EXPECT_NE(help->Errors().find("--list-devices"), std::string::npos);

  JackServer jack(kRate, 128, jackName_);
  JackProbe probe(jack.Name(), "probe");
  auto list = Launch({"--list-devices"});
  EXPECT_EQ(list->Wait(10000), 0);
  EXPECT_NE(list->Errors().find("jack    system"), std::string::npos) << list->Errors();
  EXPECT_NE(list->Errors().find(probe.MidiPort()), std::string::npos) << list->Errors();
}

TEST_F(ProgramTest, RefusedDevicesDamagedFilesAndUnwritablePathsAreToldAndNothingIsLost) {
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  JackProbe probe(jack.Name(), "probe");
  // A settings file with garbage in it, and a damaged state file.
  fs::create_directories(Folder());
  const std::string garbage = "SampleRate=banana\n\x01\x02 noise\nSomebodyElse=keep me\n";
  std::ofstream(SettingsFile(), std::ios::binary) << garbage;
  std::ofstream(StateFile(), std::ios::binary) << "damaged";

  auto app = Launch({"--audio-device", "nosuch", "--sample-rate", "44100", "--hold-note",
                     "--record", (home_ / "no folder" / "x.wav").string(), "--midi-input",
                     "nobody:out"});
  ASSERT_TRUE(probe.WaitForPorts("^Fluvia:outport", 2, 10000)) << app->Errors();
  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u);
  ASSERT_TRUE(probe.ListenTo("Fluvia"));
  Sleep(700);
  EXPECT_TRUE(Sounds(probe.Record(0.5))) << "it plays on the output that is there";
  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0);
  const std::string said = app->Errors();
  EXPECT_NE(said.find("SampleRate=banana is not a sample rate"), std::string::npos) << said;
  EXPECT_NE(said.find("The audio output nosuch is not available"), std::string::npos) << said;
  EXPECT_NE(said.find("44100 Hz; it plays at 48000 Hz"), std::string::npos) << said;
  EXPECT_NE(said.find("cannot record to " + (home_ / "no folder" / "x.wav").string()),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("the MIDI input 'nobody:out' is not there"), std::string::npos) << said;
  EXPECT_NE(said.find("could not be read"), std::string::npos) << said;
  // Nothing the person saved is lost: the settings file as it was, the damaged state aside.
  EXPECT_EQ(Read(SettingsFile()), garbage);
  EXPECT_EQ(Read(StateFile().string() + ".damaged"), "damaged");
  EXPECT_TRUE(fs::exists(StateFile()));

  // A settings file far too large to be one is left alone, even when a choice is made.
  const std::string huge(100 * 1024, 'x');
  std::ofstream(SettingsFile(), std::ios::binary) << huge;
  auto second = Launch({});
  WindowInfo small = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(small.window, 0u);
  User().Click(small.x + 500, small.y + 480);  // closes the notice
  ChooseFromMenu(small, 0);
  WaitUntil([&] { return User().Refresh(small).width == 500; }, 3000, "the small editor");
  User().RequestClose(small);
  EXPECT_EQ(second->Wait(10000), 0);
  EXPECT_NE(second->Errors().find("is not a settings file"), std::string::npos);
  EXPECT_EQ(Read(SettingsFile()), huge);
}

TEST_F(ProgramTest, AMidiInputThatVanishesIsToldAndComesBack) {
  JackServer jack(kRate, 128, jackName_);
  ASSERT_TRUE(jack.Running());
  auto keyboard = std::make_unique<JackProbe>(jack.Name(), "keyboard");
  auto app = Launch({"--midi-input", "keyboard:midi_out"});
  const WindowInfo window = User().WaitForWindow("Fluvia", 10000);
  ASSERT_NE(window.window, 0u);
  WaitUntil([&] { return keyboard->Connected(keyboard->MidiPort()); }, 5000, "the connection");
  keyboard.reset();
  WaitUntil([&] { return app->Errors().find("went away") != std::string::npos; }, 5000,
            "the message");
  keyboard = std::make_unique<JackProbe>(jack.Name(), "keyboard");
  WaitUntil([&] { return keyboard->Connected(keyboard->MidiPort()); }, 5000, "reconnecting");
  EXPECT_NE(app->Errors().find("is back"), std::string::npos);
  User().RequestClose(window);
  EXPECT_EQ(app->Wait(10000), 0);
}

}  // namespace
}  // namespace fluvia::testing
