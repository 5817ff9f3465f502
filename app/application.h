#pragma once
// Application: Fluvia as a program of its own. It owns the instrument (with its editor on the
// platform's window host), the host link that drives it, the audio output, the MIDI input and
// the recorder; it reads and writes the person's settings, keeps the instrument's state between
// runs, and adds its menu to the editor's header menu.
//
// Everything here runs on the window thread, except what the audio and MIDI threads reach
// through StandaloneHost. Messages for the person go to standard error and, once the editor
// is open, into the editor itself.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/core/app_options.h"
#include "app/core/app_settings.h"
#include "app/core/note_keyboard.h"
#include "graphics/editor_size_menu.h"
#include "graphics/graphics_factory.h"

namespace fluvia {
class Fluvia;
class IGraphics;
}  // namespace fluvia

namespace fluvia::app {

class AudioOutput;
class MidiInputs;
class StandaloneHost;
class WavRecorder;

// The application's top-level window, as the platform makes it (app/linux, app/win).
class AppWindow {
 public:
  virtual ~AppWindow() = default;
  // The platform handle the editor opens inside (an X window id, an HWND).
  virtual void* ParentHandle() = 0;
  // The editor changed size: the window follows.
  virtual void SetContentSize(int width, int height) = 0;
};

class Application : public IHeaderMenuEntries {
 public:
  Application(const AppOptions& options, GraphicsFactory graphics);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The instrument's state and preset, the settings, then sound and MIDI (before any window,
  // so that sound starts as early as it can).
  void Start();
  // Opens the editor inside the window; false when it cannot be shown.
  bool OpenEditor(AppWindow& window);
  // The editor's size (what the window's content must be).
  int EditorWidth() const;
  int EditorHeight() const;
  IGraphics* Editor() const;
  int TimerPeriodMs() const;

  // The window thread's timer, at the editor's frame rate: the editor's redraw is the
  // window's; this watches the devices, the recording and the clock.
  void Tick();

  // The computer keyboard while the window has the focus (keys as NoteKeyboard names them).
  void KeyDown(char key);
  void KeyUp(char key);
  void FocusLost();

  bool QuitRequested() const { return quit_; }
  void RequestQuit() { quit_ = true; }
  // Ends the recording, stops the sound, closes the editor and saves the instrument's state.
  // Returns false when the state could not be saved (the person has been told).
  bool Shutdown();

  // What --list-devices prints.
  static std::string DeviceListing();

  // ---- The header menu's entries -----------------------------------------------------------
  void AddEntries(IMenuList& menu) override;
  void EntryChosen(IMenuList& list, int index) override;

  // For the tests and the benchmark: what plays.
  StandaloneHost& Host() { return *host_; }

 private:
  struct Menu;

  void Tell(const std::string& text);
  void FlushNotices();
  void RestoreState();
  bool ApplyPreset(const std::string& name);
  void ReadSettings();
  void SaveSettings(const SettingChanges& changes);
  // Opens the output that `request` names, falling back to none with a message.
  bool OpenAudio(const std::string& api, const std::string& device, int rate, int frames);
  void CloseAudio();
  void OpenMidi(const std::string& api, const std::string& name);
  void SetHold(bool on);
  void StartRecording(const std::string& path);
  void StopRecording();
  void ChooseRecordFile();
  void ReportRecording();
  int InstrumentChannel() const;
  void Post(const MidiMessage& message);

  AppOptions options_;
  std::string presetFolder_;
  std::string settingsPath_;
  std::string statePath_;
  bool settingsWritable_ = true;
  AppSettings saved_;  // what the settings file holds

  std::unique_ptr<WavRecorder> recorder_;
  std::unique_ptr<Fluvia> instrument_;
  std::unique_ptr<StandaloneHost> host_;
  std::unique_ptr<AudioOutput> audio_;
  std::unique_ptr<MidiInputs> midi_;
  std::unique_ptr<Menu> menu_;
  NoteKeyboard keyboard_;
  AppWindow* window_ = nullptr;
  bool editorOpen_ = false;

  bool hold_ = false;
  int heldNote_ = kDefaultHeldNote;
  bool quit_ = false;
  std::vector<std::string> pendingNotices_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastMidiCheck_;
  std::string lastRecordFolder_;
};

// What the editor says when there is no audio output to play on.
extern const char* const kNoAudioText;
// Columns of the editor's notice lines.
inline constexpr std::size_t kNoticeColumns = 60;

// Breaks a message into lines of at most `columns` characters at spaces (the editor's notice
// does not wrap by itself).
std::string WrapText(const std::string& text, std::size_t columns);

}  // namespace fluvia::app
