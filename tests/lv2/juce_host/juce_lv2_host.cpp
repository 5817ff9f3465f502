// A console host built on JUCE's LV2 hosting (its bundled lilv): finds Fluvia by URI among
// the bundles of ~/.lv2 and the system folders, instantiates it, plays a note, restores a
// saved state exactly and lists the factory presets. With --editor (and an X display) it
// opens the editor in a window of its own as a DAW does: the editor's menu opens on a click
// (the host's idle calls drive it), and choosing the other size makes the host's window
// follow (the editor's resize request), both ways.
//
// Usage: juce_lv2_host [--editor]     (HOME must hold .lv2/Fluvia.lv2)

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

// Xlib last: its macros clash with JUCE's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "tests/graphics/x11/popup_windows.h"

namespace {

const char* kUri = "https://velmora.audio/plugins/fluvia";
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

double PlayNote(juce::AudioPluginInstance& plugin, int blocks) {
  const int channels = std::max(plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
  juce::AudioBuffer<float> buffer(channels, 512);
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

// The editor in a plain top-level window at the screen's origin (no window manager under
// Xvfb); like a DAW's plug-in window it follows the editor when the plug-in resizes it.
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
    editor_.reset();
    holder_.removeFromDesktop();
  }

 private:
  void componentMovedOrResized(juce::Component& component, bool, bool wasResized) override {
    if (wasResized) holder_.setSize(component.getWidth(), component.getHeight());
  }
  juce::Component holder_;
  std::unique_ptr<juce::AudioProcessorEditor> editor_;
};

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
  int PopupWindows() { return int(fluvia::testing::PopupWindows(display_).size()); }
  // The name of the deepest window at a point of the screen (where a click there goes).
  std::string WindowNameAt(int x, int y) {
    ::Window window = DefaultRootWindow(display_), child = 0;
    int wx = 0, wy = 0;
    for (int depth = 0; depth < 32; ++depth) {
      if (!XTranslateCoordinates(display_, DefaultRootWindow(display_), window, x, y, &wx, &wy,
                                 &child) ||
          child == 0) {
        break;
      }
      window = child;
    }
    char* name = nullptr;
    std::string result;
    if (XFetchName(display_, window, &name) && name) result = name;
    if (name) XFree(name);
    return result;
  }
  fluvia::testing::PopupWindow TopPopup() {
    const auto popups = fluvia::testing::PopupWindows(display_);
    return popups.empty() ? fluvia::testing::PopupWindow{} : popups.back();
  }
  // The size of the host's top-level window (the widest mapped one).
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

template <typename F>
void OnMessageThread(F f) {
  juce::MessageManager::getInstance()->callFunctionOnMessageThread(
      [](void* call) -> void* {
        (*static_cast<F*>(call))();
        return nullptr;
      },
      &f);
}

template <typename Done>
bool WaitUntil(Done done, int timeoutMs) {
  const auto deadline = juce::Time::getMillisecondCounter() + juce::uint32(timeoutMs);
  while (!done()) {
    if (juce::Time::getMillisecondCounter() >= deadline) return false;
    juce::Thread::sleep(10);
  }
  return true;
}

void CheckEditor(juce::AudioPluginInstance& plugin) {
  Screen screen;
  Check(screen.Ok(), "the host reaches the X display");
  if (!screen.Ok()) return;
  Check(plugin.hasEditor(), "the plug-in has an editor");
  const juce::File home = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
  home.getChildFile("Documents/VelmoraAudio/Fluvia/Settings.txt").deleteFile();
  std::unique_ptr<EditorWindow> window;
  auto open = [&] { OnMessageThread([&] { window = std::make_unique<EditorWindow>(plugin); }); };
  auto close = [&] { OnMessageThread([&] { window.reset(); }); };

  open();
  Check(window->IsOpen(), "the editor opens");
  Check(WaitUntil([&] { return screen.HostWindowSize() == std::make_pair(1000, 960); }, 3000),
        "the editor opens Large (" + juce::String(screen.HostWindowSize().first) + " x " +
            juce::String(screen.HostWindowSize().second) + ")");
  const int before = screen.PopupWindows();
  // The host's own windows around the editor's must have taken its size, or a click inside
  // the editor lands on the host.
  Check(WaitUntil([&] { return screen.WindowNameAt(990, 950) == "IPlugin"; }, 3000),
        "the editor's window fills the host's window");
  screen.Click(500, 100);  // the preset name
  const bool menu = WaitUntil([&] { return screen.PopupWindows() > before; }, 3000);
  Check(menu, "a click on the preset name opens the preset menu");
  if (!menu) {  // where the click went
    std::system("for w in $(xwininfo -root -tree | grep -o '^ *0x[0-9a-f]*'); do xwininfo -id $w | "
                "grep -E 'Window id|Map State|Absolute upper-left|Width|Class'; done; "
                "xdotool getmouselocation --shell");
  }
  close();
  Check(WaitUntil([&] { return screen.PopupWindows() == before; }, 2000),
        "closing the editor takes the menu away");

  // The host's windows around the editor's follow its size: clicks land in the editor.
  auto editorAtCorner = [&](int width, int height) {
    return WaitUntil([&] { return screen.WindowNameAt(width - 10, height - 10) == "IPlugin"; },
                     3000);
  };
  auto chooseSize = [&](int headerX, int row, int width, int height, const char* name) {
    const int popups = screen.PopupWindows();
    screen.Click(headerX, 20);
    Check(WaitUntil([&] { return screen.PopupWindows() > popups; }, 3000),
          juce::String("a click on the header opens the size menu (") + name + ")");
    const fluvia::testing::PopupWindow sizeMenu = screen.TopPopup();
    screen.Click(sizeMenu.x + 40, sizeMenu.y + 4 + 24 * row + 12);
    const bool followed =
        WaitUntil([&] { return screen.HostWindowSize() == std::make_pair(width, height); }, 3000);
    const std::pair<int, int> now = screen.HostWindowSize();
    Check(followed, juce::String("the host's window follows the editor to ") + name + " (" +
                        juce::String(now.first) + " x " + juce::String(now.second) + ")");
  };
  open();
  Check(editorAtCorner(1000, 960), "the Large editor fills the host's window");
  chooseSize(300, 0, 500, 480, "Small");
  close();
  open();
  Check(WaitUntil([&] { return screen.HostWindowSize() == std::make_pair(500, 480); }, 3000),
        "the next editor opens Small");
  Check(editorAtCorner(500, 480), "the Small editor fills the host's window");
  chooseSize(150, 1, 1000, 960, "Large");
  close();
}

}  // namespace

int main(int argc, char** argv) {
  const bool editor = argc == 2 && juce::String(argv[1]) == "--editor";
  if (argc != 1 && !editor) {
    std::fprintf(stderr, "usage: %s [--editor]\n", argv[0]);
    return 2;
  }
  juce::ScopedJuceInitialiser_GUI juce;

  juce::LV2PluginFormat format;
  const juce::StringArray found =
      format.searchPathsForPlugins(format.getDefaultLocationsToSearch(), false, false);
  Check(found.contains(kUri), "the scan finds Fluvia among " + juce::String(found.size()) +
                                  " LV2 plug-ins");
  juce::OwnedArray<juce::PluginDescription> types;
  format.findAllTypesForFile(types, kUri);
  Check(types.size() == 1, "one plug-in for the URI (" + juce::String(types.size()) + ")");
  if (types.isEmpty()) return 1;
  const juce::PluginDescription& description = *types[0];
  Check(description.name == "Fluvia", "name " + description.name);
  Check(description.manufacturerName == "VelmoraAudio", "vendor " + description.manufacturerName);
  Check(description.isInstrument, "it is an instrument");
  Check(description.category.contains("Instrument"), "category " + description.category);
  Check(description.numInputChannels == 0, "inputs " + juce::String(description.numInputChannels));
  Check(description.numOutputChannels == 2, "outputs " + juce::String(description.numOutputChannels));

  juce::String error;
  auto plugin = format.createInstanceFromDescription(description, 48000.0, 512, error);
  Check(plugin != nullptr, "instantiated " + error);
  if (!plugin) return 1;
  plugin->enableAllBuses();
  Check(plugin->acceptsMidi(), "accepts MIDI");
  Check(plugin->getNumPrograms() == 6, "factory presets: " + juce::String(plugin->getNumPrograms()));
  juce::StringArray programs;
  for (int i = 0; i < plugin->getNumPrograms(); ++i) programs.add(plugin->getProgramName(i));
  Check(programs.contains("SFX - Shower") && programs.contains("WLCM - The River Wild"),
        "presets listed: " + programs.joinIntoString(", "));

  plugin->prepareToPlay(48000.0, 512);
  const double rms = PlayNote(*plugin, 100);
  Check(rms > 1e-4, "a note sounds (rms " + juce::String(rms) + ")");

  // The host lists what a person plays, by the knobs' labels.
  juce::StringArray names;
  for (auto* parameter : plugin->getParameters()) names.add(parameter->getName(128));
  Check(names.joinIntoString(", ") ==
            "Fading, Volume, Material, Size, Collisions, Mass Spread, Kinetics, Library Preset, "
            "Panorama, System Energy",
        "parameters: " + names.joinIntoString(", "));
  auto* volume = FindParameter(*plugin, "Volume");
  Check(volume != nullptr, "Volume is a parameter");
  if (volume) {
    Check(std::fabs(volume->getValue() - 0.75f) < 1e-5f, "Volume starts at 0.75");
    volume->setValueNotifyingHost(0.3f);
    PlayNote(*plugin, 2);  // the port change reaches the plug-in with a block
    juce::MemoryBlock state;
    plugin->getStateInformation(state);
    Check(state.getSize() > 0, "state saved (" + juce::String(int(state.getSize())) + " bytes)");
    volume->setValueNotifyingHost(0.9f);
    PlayNote(*plugin, 2);
    plugin->setStateInformation(state.getData(), int(state.getSize()));
    juce::MemoryBlock again;
    plugin->getStateInformation(again);
    Check(again == state, "the restored state saves exactly as it was saved");
    if (again != state) {
      std::printf("saved:\n%s\nrestored and saved again:\n%s\n", state.toString().toRawUTF8(),
                  again.toString().toRawUTF8());
    }
    PlayNote(*plugin, 2);
    Check(std::fabs(volume->getValue() - 0.3f) < 1e-5f,
          "state restored Volume to " + juce::String(volume->getValue()));
    // A factory preset from the host's own menu sets the stored values.
    const int shower = programs.indexOf("SFX - Shower");
    if (shower >= 0) {
      plugin->setCurrentProgram(shower);
      PlayNote(*plugin, 2);
      Check(std::fabs(volume->getValue() - 0.8f) < 1e-5f,
            "the Shower preset sets the volume to " + juce::String(volume->getValue()));
    }
  }
  plugin->releaseResources();

  if (editor) {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::thread user([&] {
      CheckEditor(*plugin);
      juce::MessageManager::getInstance()->stopDispatchLoop();
    });
    juce::MessageManager::getInstance()->runDispatchLoop();
    user.join();
  }
  plugin.reset();
  std::printf("%s\n", failures ? "FAILED" : "PASSED");
  return failures ? 1 : 0;
}
