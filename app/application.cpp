#include "app/application.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "app/application_menu.h"
#include "app/core/standalone_host.h"
#include "app/core/state_file.h"
#include "app/core/wav_recorder.h"
#include "app/devices/audio_output.h"
#include "app/devices/midi_inputs.h"
#include "engine/engine_params.h"
#include "graphics/graphics.h"
#include "instrument/fluvia.h"
#include "presets/preset_file_io.h"
#include "presets/preset_folder.h"
#include "presets/preset_library_impl.h"
#include "presets/preset_catalogue.h"
#include "presets/preset_numbers.h"

namespace fluvia::app {
namespace {

constexpr auto kMidiCheckPeriod = std::chrono::seconds(1);

void AudioRender(void* context, float* left, float* right, int frames) {
  static_cast<StandaloneHost*>(context)->Render(left, right, frames);
}

void MidiDeliver(void* context, const MidiMessage& message) {
  static_cast<StandaloneHost*>(context)->PostFromDevice(message);
}

std::string Lowered(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Heavy Rain" finds "SFX - Heavy Rain": the bank prefix may be left out. Any preset of the
// library's menu, the person's own included.
const CatalogueEntry* PresetNamed(const PresetCatalogue& catalogue, const std::string& name) {
  const std::string wanted = Lowered(name);
  for (const CatalogueEntry& entry : catalogue.Entries()) {
    const std::string candidate = Lowered(entry.name);
    const auto dash = candidate.find(" - ");
    if (candidate == wanted ||
        (dash != std::string::npos && candidate.substr(dash + 3) == wanted)) {
      return &entry;
    }
  }
  return nullptr;
}

MidiMessage NoteMessage(bool on, int note, int channel) {
  MidiMessage message;
  message.status = uint8_t((on ? 0x90 : 0x80) | (channel & 0x0F));
  message.data1 = uint8_t(note & 0x7F);
  message.data2 = on ? uint8_t(NoteKeyboard::kVelocity) : 0;
  return message;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H-%M-%S", &local);
  return text;
}

}  // namespace

const char* const kNoAudioText =
    "No audio device is available, so Fluvia plays no sound. Choose an audio output from the "
    "menu (click the header) once there is one.";

std::string WrapText(const std::string& text, std::size_t columns) {
  std::string out;
  std::size_t lineLength = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    if (text[start] == '\n') {
      out += '\n';
      lineLength = 0;
      ++start;
      continue;
    }
    std::size_t end = text.find_first_of(" \n", start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (lineLength > 0 && lineLength + 1 + word.size() > columns) {
      out += '\n';
      lineLength = 0;
    } else if (lineLength > 0) {
      out += ' ';
      ++lineLength;
    }
    out += word;
    lineLength += word.size();
    start = end < text.size() && text[end] == ' ' ? end + 1 : end;
  }
  return out;
}

// ---- Construction and start ------------------------------------------------------------------

Application::Application(const AppOptions& options, GraphicsFactory graphics)
    : options_(options), started_(std::chrono::steady_clock::now()) {
  FluviaOptions setup;
  setup.api = PluginApi::VST3;  // both sizes, large by default; the host sizes its window
  setup.artwork = ArtworkSet::Large;
  setup.createGraphics = std::move(graphics);
  instrument_ = std::make_unique<Fluvia>(setup);
  presetFolder_ = PresetFolder();
  settingsPath_ = SettingsFileFor(presetFolder_);
  statePath_ = StateFileFor(presetFolder_);
  recorder_ = std::make_unique<WavRecorder>();
  host_ = std::make_unique<StandaloneHost>(*instrument_, recorder_.get());
  host_->SetResizeHandler([this](int width, int height) {
    if (window_) window_->SetContentSize(width, height);
  });
  audio_ = std::make_unique<AudioOutput>(&AudioRender, host_.get());
  midi_ = std::make_unique<MidiInputs>(&MidiDeliver, host_.get());
  if (auto* sizeMenu = dynamic_cast<IEditorSizeMenu*>(instrument_->EditorParts().sizeMenu)) {
    sizeMenu->SetExtraEntries(this);
  }
  lastMidiCheck_ = started_;
}

Application::~Application() {
  // The devices stop calling into the host before it goes.
  midi_.reset();
  audio_.reset();
  recorder_->Finish();
  if (auto* sizeMenu = dynamic_cast<IEditorSizeMenu*>(instrument_->EditorParts().sizeMenu)) {
    sizeMenu->SetExtraEntries(nullptr);
  }
}

void Application::Start() {
  RestoreState();
  if (options_.preset) ApplyPreset(*options_.preset);
  ReadSettings();

  // The command line's output, else the saved one. A system named alone plays on its default
  // output, unless it is the saved output's system.
  std::string api = saved_.audioApi.value_or("");
  std::string device = saved_.audioDevice.value_or("");
  if (options_.audioApi || options_.audioDevice) {
    const bool sameSystem = options_.audioApi && *options_.audioApi == api;
    api = options_.audioApi.value_or("");
    device = options_.audioDevice.value_or(sameSystem ? device : "");
  }
  if (options_.holdNote) {
    heldNote_ = *options_.holdNote;
    hold_ = true;
  }
  if (device != kNoDevice) {
    OpenAudio(api, device, options_.sampleRate.value_or(saved_.sampleRate.value_or(0)),
              options_.bufferSize.value_or(saved_.bufferSize.value_or(0)));
  }
  if (options_.record) StartRecording(*options_.record);

  const std::string input = options_.midiInput.value_or(saved_.midiInput.value_or(kNoDevice));
  if (input != kNoDevice) OpenMidi(options_.midiInput ? "" : saved_.midiApi.value_or(""), input);
}

void Application::RestoreState() {
  StateChunk current;
  instrument_->SaveState(current);
  StateChunk saved;
  std::string setAside;
  switch (ReadStateFile(statePath_, current.Size(), saved, setAside)) {
    case StateRead::Missing:
      break;
    case StateRead::Restored: {
      std::lock_guard<std::recursive_mutex> lock(instrument_->Mutex());
      instrument_->LoadState(saved, 0);
      instrument_->RefreshEditorParams();
      break;
    }
    case StateRead::Damaged:
      Tell("The instrument's saved settings could not be read, so it starts from its defaults" +
           (setAside.empty() ? std::string(".") : "; the damaged file was kept as " + setAside));
      break;
  }
}

bool Application::ApplyPreset(const std::string& name) {
  auto* library = dynamic_cast<PresetLibrary*>(instrument_->Presets());
  if (!library) return false;
  std::lock_guard<std::recursive_mutex> lock(instrument_->Mutex());
  library->Rescan();
  if (const CatalogueEntry* entry = PresetNamed(library->Catalogue(), name)) {
    // As a host would choose it: the instrument loads the preset of that number.
    const CatalogueEntry chosen = *entry;
    instrument_->GetParam(kPresetSelector)->SetValue(chosen.number);
    instrument_->ParamChanged(kPresetSelector);
    if (library->ShownName() == chosen.name) return true;
    Tell("The preset " + chosen.name + " could not be loaded from " + chosen.path);
    return false;
  }
  if (IsRegularFile(name) && library->ReadPresetFile(name) == PresetReadResult::Applied) {
    instrument_->ResetVoices();
    return true;
  }
  Tell("There is no preset called '" + name + "' (a library preset such as \"SFX - Heavy Rain\", "
       "or a .fluviapreset file).");
  return false;
}

void Application::ReadSettings() {
  const SettingsFileText file = ReadSettingsFile(settingsPath_);
  if (file.state == SettingsFileState::Unreadable) {
    settingsWritable_ = false;
    Tell(settingsPath_ + " is not a settings file (it is too large or not a plain file). It is "
         "left as it is, and choices made now are not kept.");
    return;
  }
  std::vector<std::string> problems;
  saved_ = ParseAppSettings(file.text, &problems);
  for (const std::string& problem : problems) Tell(problem);
}

void Application::SaveSettings(const SettingChanges& changes) {
  if (!settingsWritable_) return;
  if (!UpdateSettingsFile(settingsPath_, changes)) {
    Tell("The choice could not be saved in " + settingsPath_ + "; it holds until Fluvia ends.");
  }
}

// ---- Devices ----------------------------------------------------------------------------------

bool Application::OpenAudio(const std::string& api, const std::string& device, int rate,
                            int frames) {
  if (recorder_->Recording()) {
    StopRecording();
    Tell("The recording ended because the audio output changed.");
  }
  audio_->Close();
  std::string error, note;
  AudioOutput::Request request;
  request.api = api;
  request.device = device;
  request.sampleRate = rate;
  request.bufferFrames = frames;
  bool opened = audio_->Open(request, error, note);
  if (!opened && !device.empty()) {
    // The chosen device may have gone: any output is better than silence, and the person's
    // choice stays in the settings for when it is back.
    Tell("The audio output " + device +
         (api.empty() ? std::string() : " (" + AudioApiDisplayName(api) + ")") +
         " is not available: " + error + ".");
    request.device.clear();
    request.api.clear();
    opened = audio_->Open(request, error, note);
  }
  if (!opened) {
    if (!request.device.empty() || error != "no audio output is available") {
      std::fprintf(stderr, "fluvia: %s\n", error.c_str());
    }
    Tell(kNoAudioText);
    return false;
  }
  host_->Prepare(audio_->SampleRate(), audio_->BufferFrames());
  if (hold_) Post(NoteMessage(true, heldNote_, InstrumentChannel()));
  if (!audio_->Start(error)) {
    Tell("Fluvia plays no sound: " + error + ".");
    return false;
  }
  if (!note.empty()) Tell(note);
  return true;
}

void Application::CloseAudio() {
  if (recorder_->Recording()) {
    StopRecording();
    Tell("The recording ended because the sound stopped.");
  }
  audio_->Close();
}

void Application::OpenMidi(const std::string& api, const std::string& name) {
  std::string error;
  if (!midi_->Open(api, name, error)) Tell("No MIDI input: " + error + ".");
}

int Application::InstrumentChannel() const {
  std::lock_guard<std::recursive_mutex> lock(instrument_->Mutex());
  const int channel = int(instrument_->GetParam(kMidiChannelInput)->Value()) - 1;
  return std::clamp(channel, 0, 15);
}

void Application::Post(const MidiMessage& message) { host_->PostFromWindow(message); }

void Application::SetHold(bool on) {
  if (on == hold_) return;
  hold_ = on;
  Post(NoteMessage(on, heldNote_, InstrumentChannel()));
}

// ---- Recording --------------------------------------------------------------------------------

void Application::StartRecording(const std::string& path) {
  if (!audio_->IsOpen()) {
    Tell("Nothing is recorded to " + path + ": no audio output plays.");
    return;
  }
  std::string error;
  if (!recorder_->Start(path, audio_->SampleRate(), error)) {
    Tell("The recording did not start: " + error + ".");
    return;
  }
  std::fprintf(stderr, "fluvia: recording to %s\n", path.c_str());
}

void Application::StopRecording() {
  recorder_->Stop();
}

void Application::ReportRecording() {
  const WavRecorder::Status status = recorder_->Poll();
  if (!status.finished) return;
  if (status.failed) {
    Tell("The recording stopped: " + status.error + ".");
  } else if (status.dropped > 0) {
    Tell("The recording " + status.path + " lost " + std::to_string(status.dropped) +
         " frames: the disk could not keep up.");
  } else {
    std::fprintf(stderr, "fluvia: recorded %llu frames to %s\n",
                 static_cast<unsigned long long>(status.frames), status.path.c_str());
  }
}

void Application::ChooseRecordFile() {
  IGraphics* editor = Editor();
  if (!editor) return;
  std::string folder = lastRecordFolder_;
  if (folder.empty()) folder = DocumentsFolder();
  const std::string file = "Fluvia " + Timestamp() + ".wav";
  editor->BeginPromptForFile(file, IGraphics::kFileSave, folder, "wav",
                             [this](const IGraphics::FileResult& answer) {
                               if (answer.abandoned || answer.file.empty()) return;
                               lastRecordFolder_ = answer.directory;
                               StartRecording(answer.file);
                             });
}

// ---- Window -----------------------------------------------------------------------------------

IGraphics* Application::Editor() const { return dynamic_cast<IGraphics*>(instrument_->Editor()); }

int Application::EditorWidth() const { return Editor() ? Editor()->Width() : 0; }
int Application::EditorHeight() const { return Editor() ? Editor()->Height() : 0; }
int Application::TimerPeriodMs() const {
  return Editor() ? 1000 / Editor()->FrameRate() : 1000 / IGraphics::kDefaultFrameRate;
}

bool Application::OpenEditor(AppWindow& window) {
  IGraphics* editor = Editor();
  if (!editor) return false;
  window_ = &window;
  // A large editor that does not fit the screen becomes small (unless the person chose it).
  instrument_->EditorAboutToOpen();
  window.SetContentSize(editor->Width(), editor->Height());
  editorOpen_ = editor->OpenWindow(window.ParentHandle()) != nullptr;
  if (editorOpen_) instrument_->EditorOpened();
  FlushNotices();
  return editorOpen_;
}

void Application::Tell(const std::string& text) {
  std::fprintf(stderr, "fluvia: %s\n", text.c_str());
  // Shown at the next tick, together with what else the same action had to say.
  pendingNotices_.push_back(text);
}

void Application::FlushNotices() {
  IGraphics* editor = Editor();
  if (!editorOpen_ || !editor || pendingNotices_.empty()) return;
  // Messages told together are shown together; the next ones replace them.
  std::string all;
  for (const std::string& notice : pendingNotices_) {
    all += (all.empty() ? "" : "\n") + WrapText(notice, kNoticeColumns);
  }
  pendingNotices_.clear();
  editor->ShowNotice(all);
}

void Application::Tick() {
  FlushNotices();
  ReportRecording();

  std::string why;
  if (audio_->CheckLost(why)) {
    if (recorder_->Recording()) {
      StopRecording();
      why += " The recording ended there.";
    }
    // A server that went away took its MIDI connections along.
    midi_->ForgetApi("jack");
    Tell(why + " Choose an audio output from the menu (click the header).");
  }

  const auto now = std::chrono::steady_clock::now();
  if (now - lastMidiCheck_ >= kMidiCheckPeriod) {
    lastMidiCheck_ = now;
    std::string message;
    if (midi_->Check(message) != MidiInputs::Change::None) Tell(message);
  }
  if (options_.quitAfter &&
      std::chrono::duration<double>(now - started_).count() >= *options_.quitAfter) {
    quit_ = true;
  }
}

void Application::KeyDown(char key) {
  if (const auto message = keyboard_.KeyDown(key, InstrumentChannel())) Post(*message);
}

void Application::KeyUp(char key) {
  if (const auto message = keyboard_.KeyUp(key, InstrumentChannel())) Post(*message);
}

void Application::FocusLost() {
  for (const MidiMessage& message : keyboard_.ReleaseAll(InstrumentChannel())) Post(message);
}

bool Application::Shutdown() {
  recorder_->Finish();
  ReportRecording();
  if (audio_->Underruns() > 0) {
    std::fprintf(stderr, "fluvia: the audio output reported %llu dropouts (blocks late)\n",
                 static_cast<unsigned long long>(audio_->Underruns()));
  }
  midi_->Close();
  audio_->Close();
  IGraphics* editor = Editor();
  if (editorOpen_ && editor) {
    instrument_->EditorClosed();
    editor->CloseWindow();
  }
  editorOpen_ = false;
  window_ = nullptr;
  StateChunk state;
  {
    std::lock_guard<std::recursive_mutex> lock(instrument_->Mutex());
    instrument_->SaveState(state);
  }
  if (!WriteStateFile(statePath_, state)) {
    std::fprintf(stderr, "fluvia: the instrument's settings could not be saved in %s\n",
                 statePath_.c_str());
    return false;
  }
  return true;
}

std::string Application::DeviceListing() {
  std::string out = "Audio outputs (--audio-api API --audio-device NAME):\n";
  const std::vector<AudioOutputDevice> outputs = ListAudioOutputs();
  if (outputs.empty()) out += "  (none)\n";
  for (const AudioOutputDevice& device : outputs) {
    char line[512];
    std::snprintf(line, sizeof line, "  %-7s %s%s\n", device.api.c_str(), device.name.c_str(),
                  device.isDefault ? "  (default)" : "");
    out += line;
  }
  out += "MIDI inputs (--midi-input NAME):\n";
  MidiInputs inputs([](void*, const MidiMessage&) {}, nullptr);
  const std::vector<MidiPort> ports = inputs.List();
  if (ports.empty()) out += "  (none)\n";
  for (const MidiPort& port : ports) {
    char line[512];
    std::snprintf(line, sizeof line, "  %-7s %s\n", port.api.c_str(), port.name.c_str());
    out += line;
  }
  return out;
}

}  // namespace fluvia::app
