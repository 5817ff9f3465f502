// A console host built on JUCE's VST3 hosting: scans Fluvia.vst3, instantiates it, plays a
// note in both sample sizes and round-trips its state. Exits with 0 when everything a host
// relies on works, 1 otherwise, printing what it checked.
//
// With --editor (and an X display) it then opens the editor in a window of its own, as a DAW
// does, and plays the user through XTest: a knob dragged shows its name and value, drawn as the
// headless snapshot tool draws the same drag; with the preset menu open, and with the Load
// dialog open (a scripted chooser first on PATH, answering after 2 s), the host's own timer
// must keep firing; closing the editor under either must leave no menu and no dialog process
// behind; a preset saved through the Save dialog (the chooser answering a name with the
// extension) is in the preset menu at once and the arrows reach it.
//
// Usage: juce_vst3_host [--editor <fluvia-snapshot>] <path to Fluvia.vst3>

#include <juce_audio_processors/juce_audio_processors.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Xlib last: its macros clash with JUCE's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "tests/graphics/x11/popup_windows.h"

namespace {

int failures = 0;

void Check(bool ok, const juce::String& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.toRawUTF8());
  if (!ok) ++failures;
}

juce::AudioProcessorParameter* FindParameter(juce::AudioPluginInstance& plugin,
                                             const juce::String& name) {
  for (auto* parameter : plugin.getParameters()) {
    if (parameter->getName(128) == name) return parameter;
  }
  return nullptr;
}

template <typename Sample>
double PlayNote(juce::AudioPluginInstance& plugin, int blocks) {
  const int channels = std::max(plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
  juce::AudioBuffer<Sample> buffer(channels, 512);
  juce::MidiBuffer midi;
  midi.addEvent(juce::MidiMessage::noteOn(1, 60, juce::uint8(100)), 0);
  double sumSquares = 0.0;
  long samples = 0;
  for (int block = 0; block < blocks; ++block) {
    buffer.clear();
    plugin.processBlock(buffer, midi);
    midi.clear();
    for (int c = 0; c < plugin.getTotalNumOutputChannels(); ++c) {
      for (int i = 0; i < buffer.getNumSamples(); ++i) {
        const double s = double(buffer.getSample(c, i));
        if (!std::isfinite(s)) return -1.0;
        sumSquares += s * s;
        ++samples;
      }
    }
  }
  midi.addEvent(juce::MidiMessage::noteOff(1, 60), 0);
  buffer.clear();
  plugin.processBlock(buffer, midi);
  return samples ? std::sqrt(sumSquares / double(samples)) : 0.0;
}

// Blocks of silence without a note.
void PlaySilence(juce::AudioPluginInstance& plugin, int blocks) {
  const int channels = std::max(plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
  juce::AudioBuffer<float> buffer(channels, 512);
  juce::MidiBuffer midi;
  for (int block = 0; block < blocks; ++block) {
    buffer.clear();
    plugin.processBlock(buffer, midi);
  }
}

// The host's own timer: a DAW's meters, redraws and transport run on timers like it.
struct HostTimer final : public juce::Timer {
  std::atomic<int> ticks{0};
  void timerCallback() override { ++ticks; }
};

// The editor in a plain top-level window at the screen's origin (there is no window manager
// under Xvfb), so editor coordinates are screen coordinates.
// Like a DAW's plug-in window, it follows the editor when the plug-in resizes it.
class EditorWindow final : private juce::ComponentListener {
 public:
  explicit EditorWindow(juce::AudioPluginInstance& plugin) : editor_(plugin.createEditor()) {
    if (!editor_) return;
    holder_.setBounds(0, 0, editor_->getWidth(), editor_->getHeight());
    holder_.addAndMakeVisible(editor_.get());
    holder_.addToDesktop(0);
    holder_.setVisible(true);
    editor_->addComponentListener(this);
  }
  ~EditorWindow() override { Close(); }
  bool IsOpen() const { return editor_ != nullptr; }
  void Close() {
    if (!editor_) return;
    editor_->removeComponentListener(this);
    holder_.removeChildComponent(editor_.get());
    editor_.reset();  // the plug-in's view is removed and released here
    holder_.removeFromDesktop();
  }

 private:
  void componentMovedOrResized(juce::Component& component, bool, bool wasResized) override {
    if (wasResized) holder_.setSize(component.getWidth(), component.getHeight());
  }

  juce::Component holder_;
  std::unique_ptr<juce::AudioProcessorEditor> editor_;
};

// The user and the screen, seen through a connection of the host's own.
class Screen {
 public:
  Screen() : display_(XOpenDisplay(nullptr)) {}
  ~Screen() {
    if (display_) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr; }

  void Click(int x, int y) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
  }
  // Press at (x, y), move up by `up` pixels in four steps, release there.
  void DragUp(int x, int y, int up) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XSync(display_, False);
    for (int step = 1; step <= 4; ++step) {
      juce::Thread::sleep(50);
      XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y - up * step / 4, CurrentTime);
      XSync(display_, False);
    }
    juce::Thread::sleep(50);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
  }
  // What the screen shows from its top-left corner, as 0xRRGGBB.
  std::vector<juce::uint32> Grab(int width, int height) {
    std::vector<juce::uint32> pixels;
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), 0, 0, unsigned(width),
                              unsigned(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) pixels.push_back(juce::uint32(XGetPixel(image, x, y)) & 0xFFFFFFu);
    }
    XDestroyImage(image);
    return pixels;
  }

  // Popup menus on the screen.
  int PopupWindows() { return int(fluvia::testing::PopupWindows(display_).size()); }
  // The topmost popup window; all zero without one.
  fluvia::testing::PopupWindow TopPopup() {
    const auto popups = fluvia::testing::PopupWindows(display_);
    return popups.empty() ? fluvia::testing::PopupWindow{} : popups.back();
  }
  // The size of the host's top-level window (the widest mapped one; there is only the one).
  std::pair<int, int> HostWindowSize() {
    std::pair<int, int> size{0, 0};
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
      return size;
    }
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(display_, children[i], &a) && !a.override_redirect &&
          a.map_state == IsViewable && a.width > size.first) {
        size = {a.width, a.height};
      }
    }
    if (children) XFree(children);
    return size;
  }

 private:
  Display* display_;
};

// The checks run on a thread of their own, as a user beside the host would; the host's message
// thread runs its loop meanwhile (its timers and the plug-in's run-loop callbacks).
template <typename F>
void OnMessageThread(F f) {
  juce::MessageManager::getInstance()->callFunctionOnMessageThread(
      [](void* call) -> void* {
        (*static_cast<F*>(call))();
        return nullptr;
      },
      &f);
}

// Waits until `done` or the timeout; false on timeout.
template <typename Done>
bool WaitUntil(Done done, int timeoutMs) {
  const auto deadline = juce::Time::getMillisecondCounter() + juce::uint32(timeoutMs);
  while (!done()) {
    if (juce::Time::getMillisecondCounter() >= deadline) return false;
    juce::Thread::sleep(10);
  }
  return true;
}

void WaitFor(int ms) { juce::Thread::sleep(ms); }

// Counts the host timer's ticks over one second.
int TicksInOneSecond(HostTimer& timer) {
  const int start = timer.ticks;
  WaitFor(1000);
  return timer.ticks - start;
}

// A chooser that looks like zenity to the plug-in: it notes its process id, waits 2 s, then
// answers with `answer`.
juce::File MakeScriptedChooser(const juce::File& folder, const juce::File& answer) {
  folder.createDirectory();
  const juce::File script = folder.getChildFile("zenity");
  script.replaceWithText("#!/bin/sh\necho $$ >> '" + folder.getChildFile("pids").getFullPathName() +
                         "'\nsleep 2\nprintf '%s\\n' '" + answer.getFullPathName() + "'\n",
                         false, false, "\n");  // a shell script wants plain line ends
  chmod(script.getFullPathName().toRawUTF8(), 0755);
  return folder.getChildFile("pids");
}

// Pixels of the screen grab and the picture that differ by more than a little in any colour.
int DifferingPixels(const std::vector<juce::uint32>& screen, const juce::Image& picture) {
  if (int(screen.size()) != picture.getWidth() * picture.getHeight()) return -1;
  int differing = 0;
  for (int y = 0; y < picture.getHeight(); ++y) {
    for (int x = 0; x < picture.getWidth(); ++x) {
      const juce::uint32 shown = screen[size_t(y * picture.getWidth() + x)];
      const juce::Colour drawn = picture.getPixelAt(x, y);
      const int dr = int((shown >> 16) & 0xFF) - drawn.getRed();
      const int dg = int((shown >> 8) & 0xFF) - drawn.getGreen();
      const int db = int(shown & 0xFF) - drawn.getBlue();
      if (std::abs(dr) > 5 || std::abs(dg) > 5 || std::abs(db) > 5) ++differing;
    }
  }
  return differing;
}

// A chooser that answers at once with `answer` and keeps the arguments it was given.
juce::File MakeAnsweringChooser(const juce::File& folder, const juce::File& answer) {
  folder.createDirectory();
  const juce::File script = folder.getChildFile("zenity");
  const juce::File arguments = folder.getChildFile("arguments");
  script.replaceWithText("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                             arguments.getFullPathName() + "'\nprintf '%s\\n' '" +
                             answer.getFullPathName() + "'\n",
                         false, false, "\n");
  chmod(script.getFullPathName().toRawUTF8(), 0755);
  return arguments;
}

int ChooserRuns(const juce::File& pids) {
  juce::StringArray lines;
  pids.readLines(lines);
  lines.removeEmptyStrings();
  return lines.size();
}

int LastChooserPid(const juce::File& pids) {
  juce::StringArray lines;
  pids.readLines(lines);
  lines.removeEmptyStrings();
  return lines.isEmpty() ? 0 : lines[lines.size() - 1].getIntValue();
}

void CheckEditor(juce::AudioPluginInstance& plugin, const juce::String& snapshotTool) {
  Screen screen;
  Check(screen.Ok(), "the host reaches the X display");
  if (!screen.Ok()) return;
  Check(plugin.hasEditor(), "the plug-in has an editor");
  HostTimer timer;
  OnMessageThread([&] { timer.startTimerHz(50); });
  std::unique_ptr<EditorWindow> window;
  auto open = [&] { OnMessageThread([&] { window = std::make_unique<EditorWindow>(plugin); }); };
  auto close = [&] { OnMessageThread([&] { window.reset(); }); };

  // The size preference and the saved presets of earlier runs would change what is shown.
  const juce::File home = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
  const juce::File presets = home.getChildFile("Documents/VelmoraAudio/Fluvia/Presets");
  home.getChildFile("Documents/VelmoraAudio/Fluvia/Settings.txt").deleteFile();
  presets.getChildFile("User").deleteRecursively();
  // Two factory presets of known sound: the menu then holds the title, the welcome preset,
  // the effects and (once saved) the user presets, in that order.
  presets.getChildFile("Factory").deleteRecursively();
  presets.getChildFile("Factory").createDirectory();
  presets.getChildFile("Factory/WLCM - The River Wild.fluviapreset")
      .replaceWithText("<AmpMainVolume>0.6</AmpMainVolume>");
  presets.getChildFile("Factory/SFX - Shower.fluviapreset")
      .replaceWithText("<AmpMainVolume>0.4</AmpMainVolume>");

  // A knob dragged shows its name and value, exactly as the headless editor draws that drag.
  open();
  Check(window->IsOpen(), "the editor opens");
  WaitFor(500);
  screen.DragUp(500, 290, 40);  // SYSTEM ENERGY, row 7
  WaitFor(800);
  const std::vector<juce::uint32> dragged = screen.Grab(1000, 960);
  const juce::File reference = home.getChildFile("dragged-reference.png");
  const juce::String volume = juce::String(FindParameter(plugin, "Volume")->getValue(), 6);
  const juce::String command = snapshotTool.quoted() + " --set large --out " +
                               reference.getFullPathName().quoted() + " AmpMainVolume=" + volume +
                               " --drag 7 -40 > " +
                               home.getChildFile("dragged-reference.txt").getFullPathName().quoted();
  Check(std::system(command.toRawUTF8()) == 0, "the snapshot tool draws the same drag");
  Check(home.getChildFile("dragged-reference.txt").loadFileAsString().contains("readout "),
        "the headless editor shows the knob's readout after the drag");
  const int differing =
      DifferingPixels(dragged, juce::ImageFileFormat::loadFrom(reference));
  Check(differing >= 0 && differing <= 50,
        "the dragged knob's readout is drawn in the host's window as in the snapshot (" +
            juce::String(differing) + " pixels differ)");
  close();

  // The preset menu stays open while the host runs on, and goes with the editor.
  open();
  WaitFor(500);
  const int before = screen.PopupWindows();
  screen.Click(500, 100);  // the preset name
  Check(WaitUntil([&] { return screen.PopupWindows() > before; }, 3000),
        "a click on the preset name opens the preset menu");
  int ticks = TicksInOneSecond(timer);
  Check(ticks >= 10, "the host's timer fires while the menu is open (" + juce::String(ticks) +
                         " ticks in a second)");
  Check(screen.PopupWindows() > before, "the menu is still open");
  close();
  WaitFor(200);
  Check(screen.PopupWindows() == before, "closing the editor takes the menu away");

  // The Load dialog: the host runs on while it is up, and its answer loads the preset.
  const juce::File preset = home.getChildFile("Quiet.fluviapreset");
  preset.replaceWithText(
      "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
      "<AmpMainVolume>0</AmpMainVolume>");
  const juce::File chooserFolder = home.getChildFile("chooser");
  chooserFolder.deleteRecursively();
  const juce::File pids = MakeScriptedChooser(chooserFolder, preset);
  const char* pathNow = std::getenv("PATH");
  const std::string path = pathNow ? pathNow : "";  // setenv may free what getenv gave
  setenv("PATH", (chooserFolder.getFullPathName().toStdString() + ":" + path).c_str(),
         1);
  open();
  WaitFor(500);
  screen.Click(40, 105);  // the load button
  Check(WaitUntil([&] { return ChooserRuns(pids) == 1; }, 3000), "the load dialog starts");
  ticks = TicksInOneSecond(timer);
  Check(ticks >= 10, "the host's timer fires while the dialog is open (" + juce::String(ticks) +
                         " ticks in a second)");
  // The dialog answers after 2 s; the plug-in has the host read the loaded values again.
  auto* loadedVolume = FindParameter(plugin, "Volume");
  Check(WaitUntil([&] { return loadedVolume->getValue() == 0.0f; }, 8000),
        "the chosen preset is read and the host sees its values");
  plugin.prepareToPlay(48000.0, 512);
  // The host hands its own view of the parameters back with the first block (its stale
  // volume among them, and the load button's edit, which reads the chosen file again). That
  // read is the plug-in's worker's, never the audio thread's: the preset sounds again once
  // the worker has read it, a few milliseconds on.
  PlaySilence(plugin, 1);
  WaitFor(200);
  const double rms = PlayNote<float>(plugin, 20);
  plugin.releaseResources();
  Check(rms == 0.0, "the chosen preset (volume 0) was loaded (rms " + juce::String(rms) + ")");

  // Once more, and the host closes the editor while the dialog is still up.
  screen.Click(40, 105);
  Check(WaitUntil([&] { return ChooserRuns(pids) == 2; }, 3000), "the load dialog starts again");
  const int chooser = LastChooserPid(pids);
  close();
  Check(chooser > 0 && kill(chooser, 0) != 0 && errno == ESRCH,
        "closing the editor ends the dialog process and reaps it");

  // Save through the dialog: it opens in the user folder with the first free slot; the chooser
  // answers a name typed with the extension. The preset is saved once, under that name, is in
  // the preset menu at once, and the arrows reach it.
  auto* volumeParameter = FindParameter(plugin, "Volume");
  volumeParameter->setValueNotifyingHost(0.2f);
  const juce::File saved = presets.getChildFile("User/Rain Test.fluviapreset");
  const juce::File saveFolder = home.getChildFile("chooser-save");
  saveFolder.deleteRecursively();
  const juce::File arguments = MakeAnsweringChooser(saveFolder, saved);
  setenv("PATH", (saveFolder.getFullPathName().toStdString() + ":" + path).c_str(), 1);
  open();
  WaitFor(500);
  screen.Click(960, 105);  // the save button
  Check(WaitUntil([&] { return saved.existsAsFile(); }, 3000), "Save wrote the chosen file");
  Check(!presets.getChildFile("User/Rain Test.fluviapreset.fluviapreset").exists(),
        "a name typed with the extension gets no second one");
  Check(saved.loadFileAsString().contains("<AmpMainVolume>0.2</AmpMainVolume>"),
        "the saved preset holds the sound");
  Check(arguments.loadFileAsString().contains(
            "--filename=" + presets.getChildFile("User/USR - Fluvia User Preset 001.fluviapreset")
                                .getFullPathName()),
        "the dialog opened in the user folder with the first free slot's name");
  // The menu: the title, the welcome preset, the effects, then the user presets (row 3).
  volumeParameter->setValueNotifyingHost(0.9f);
  const int menusBefore = screen.PopupWindows();
  screen.Click(500, 100);
  Check(WaitUntil([&] { return screen.PopupWindows() > menusBefore; }, 3000),
        "the preset menu opens");
  const fluvia::testing::PopupWindow root = screen.TopPopup();
  screen.Click(root.x + 60, root.y + 4 + 24 * 3 + 12);  // "User > My Presets"
  Check(WaitUntil([&] { return screen.PopupWindows() > menusBefore + 1; }, 3000),
        "the user presets open beside the menu");
  const fluvia::testing::PopupWindow mine = screen.TopPopup();
  screen.Click(mine.x + 60, mine.y + 4 + 12);  // "Rain Test"
  auto volumeIs = [&](float v) { return std::fabs(volumeParameter->getValue() - v) < 1e-5f; };
  Check(WaitUntil([&] { return volumeIs(0.2f); }, 3000), "the menu lists the saved preset and loads it");
  volumeParameter->setValueNotifyingHost(0.9f);
  screen.Click(100, 105);  // previous: the last factory preset
  Check(WaitUntil([&] { return volumeIs(0.4f); }, 3000),
        "the previous arrow loads the preset before it");
  screen.Click(900, 105);  // next: the saved one again
  Check(WaitUntil([&] { return volumeIs(0.2f); }, 3000), "the next arrow reaches the saved preset");
  const float atEnd = volumeParameter->getValue();
  screen.Click(900, 105);  // it is the last: nothing changes
  WaitFor(500);
  Check(volumeIs(atEnd), "past the last preset the next arrow changes nothing");
  close();
  setenv("PATH", path.c_str(), 1);

  // The size menu on the header: the editor asks the host to resize, and the host's window
  // follows, both ways; the next editor opens at the chosen size.
  auto chooseSize = [&](int headerX, int row, int width, int height, const char* name) {
    const int popups = screen.PopupWindows();
    screen.Click(headerX, 20);
    Check(WaitUntil([&] { return screen.PopupWindows() > popups; }, 3000),
          juce::String("a click on the header opens the size menu (") + name + ")");
    const fluvia::testing::PopupWindow menu = screen.TopPopup();
    screen.Click(menu.x + 40, menu.y + 4 + 24 * row + 12);
    const bool followed =
        WaitUntil([&] { return screen.HostWindowSize() == std::make_pair(width, height); }, 3000);
    const std::pair<int, int> now = screen.HostWindowSize();
    Check(followed, juce::String("the host's window follows the editor to ") + name + " (" +
                        juce::String(now.first) + " x " + juce::String(now.second) + ")");
  };
  open();
  WaitFor(500);
  Check(screen.HostWindowSize() == std::make_pair(1000, 960), "the editor opens Large");
  chooseSize(300, 0, 500, 480, "Small");
  close();
  open();
  WaitFor(500);
  Check(screen.HostWindowSize() == std::make_pair(500, 480), "the next editor opens Small");
  screen.Click(250, 50);  // the preset bar, at its small place
  Check(WaitUntil([&] { return screen.PopupWindows() > 0; }, 3000),
        "the preset menu opens from its small place");
  close();
  open();
  WaitFor(500);
  chooseSize(150, 1, 1000, 960, "Large");
  close();
  OnMessageThread([&] { timer.stopTimer(); });
}

}  // namespace

int main(int argc, char** argv) {
  const bool editor = argc == 4 && juce::String(argv[1]) == "--editor";
  if (argc != 2 && !editor) {
    std::fprintf(stderr, "usage: %s [--editor <fluvia-snapshot>] <path to a .vst3 bundle>\n",
                 argv[0]);
    return 2;
  }
  const juce::String snapshotTool = editor ? juce::String(argv[2]) : juce::String();
  if (editor) argv[1] = argv[3];
  juce::ScopedJuceInitialiser_GUI juce;

  juce::VST3PluginFormat format;
  juce::OwnedArray<juce::PluginDescription> types;
  format.findAllTypesForFile(types, juce::String::fromUTF8(argv[1]));
  Check(types.size() == 1, "the scan finds one plug-in (" + juce::String(types.size()) + ")");
  if (types.isEmpty()) return 1;

  const juce::PluginDescription& description = *types[0];
  Check(description.name == "Fluvia", "name " + description.name);
  Check(description.manufacturerName == "VelmoraAudio", "vendor " + description.manufacturerName);
  Check(description.isInstrument, "it is an instrument");
  Check(description.category.contains("Instrument"), "category " + description.category);
  Check(description.version == "1.0.2", "version " + description.version);
  Check(description.numOutputChannels == 2, "outputs " + juce::String(description.numOutputChannels));

  juce::String error;
  auto plugin = format.createInstanceFromDescription(description, 48000.0, 512, error);
  Check(plugin != nullptr, "instantiated " + error);
  if (!plugin) return 1;
  plugin->enableAllBuses();
  Check(plugin->acceptsMidi(), "accepts MIDI");
  Check(plugin->getParameters().size() >= 26,
        "parameters: " + juce::String(plugin->getParameters().size()));
  Check(plugin->getNumPrograms() == 1 && plugin->getProgramName(0) == "Init",
        "programs: " + juce::String(plugin->getNumPrograms()) + ", the first " +
            plugin->getProgramName(0));

  plugin->setProcessingPrecision(juce::AudioProcessor::singlePrecision);
  plugin->prepareToPlay(48000.0, 512);
  const double rms32 = PlayNote<float>(*plugin, 100);
  Check(rms32 > 1e-4, "a note sounds in 32-bit (rms " + juce::String(rms32) + ")");
  plugin->releaseResources();

  if (plugin->supportsDoublePrecisionProcessing()) {
    plugin->setProcessingPrecision(juce::AudioProcessor::doublePrecision);
    plugin->prepareToPlay(44100.0, 512);
    const double rms64 = PlayNote<double>(*plugin, 100);
    Check(rms64 > 1e-4, "a note sounds in 64-bit (rms " + juce::String(rms64) + ")");
    plugin->releaseResources();
  } else {
    Check(false, "double precision is supported");
  }

  // The host lists for automation what a person plays, by the knobs' labels.
  juce::StringArray automatable;
  for (auto* parameter : plugin->getParameters()) {
    if (parameter->isAutomatable()) automatable.add(parameter->getName(128));
  }
  Check(automatable.joinIntoString(", ") ==
            "Collisions, System Energy, Size, Kinetics, Mass Spread, Material, Panorama, Fading, "
            "Volume, Library Preset",
        "automatable: " + automatable.joinIntoString(", "));
  auto* tempo = FindParameter(*plugin, "HostTempoBpm");
  Check(tempo != nullptr && !tempo->isAutomatable(), "HostTempoBpm keeps its place, hidden");
  auto* fading = FindParameter(*plugin, "Fading");
  Check(fading != nullptr && fading->getText(0.3f, 64) == "900 ms",
        "Fading reads in words: " + (fading ? fading->getText(0.3f, 64) : juce::String()));

  auto* volume = FindParameter(*plugin, "Volume");
  Check(volume != nullptr, "Volume is a parameter");
  if (volume) {
    Check(std::fabs(volume->getValue() - 0.75f) < 1e-5f, "Volume starts at 0.75");
    volume->setValueNotifyingHost(0.3f);
    juce::MemoryBlock state;
    plugin->getStateInformation(state);
    Check(state.getSize() > 0, "state saved (" + juce::String(int(state.getSize())) + " bytes)");
    volume->setValueNotifyingHost(0.9f);
    plugin->setStateInformation(state.getData(), int(state.getSize()));
    Check(std::fabs(volume->getValue() - 0.3f) < 1e-5f,
          "state restored Volume to " + juce::String(volume->getValue()));
    const juce::String text = volume->getText(0.75f, 64);
    Check(text == "75 %", "value text " + text);
    Check(std::fabs(volume->getValueForText("40 %") - 0.4f) < 1e-5f, "typed text sets the value");
  }

  if (editor) {
    // A JUCEApplication installs an X error handler; a plain main() must, or Xlib's default
    // ends the process on the first harmless error of JUCE's window setup.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // The user's side runs beside the host's message loop, which stops when it is done.
    std::thread user([&] {
      CheckEditor(*plugin, snapshotTool);
      juce::MessageManager::getInstance()->stopDispatchLoop();
    });
    juce::MessageManager::getInstance()->runDispatchLoop();
    user.join();
  } else {
    std::printf("editor: %s\n", plugin->hasEditor() ? "yes" : "no");
  }
  plugin.reset();
  std::printf("%s\n", failures ? "FAILED" : "PASSED");
  return failures ? 1 : 0;
}
