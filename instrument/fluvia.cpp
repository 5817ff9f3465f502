#include "instrument/fluvia.h"

#include <algorithm>

#include "engine/engine_params.h"
#include "graphics/editor_size.h"
#include "graphics/editor_size_menu.h"
#include "graphics/file_selector_control.h"
#include "graphics/graphics.h"
#include "instrument/param_presentation.h"
#include "presets/preset_catalogue.h"
#include "presets/preset_format.h"
#include "presets/preset_names.h"
#include "presets/editor_settings.h"
#include "presets/preset_folder.h"
#include "presets/preset_library_impl.h"
#include "presets/preset_selector_control.h"
#include "presets/shared_factory_presets.h"

namespace fluvia {
namespace {

constexpr double kParamStep = 0.00001;
// From this many device pixels per editor pixel on, the small editor is drawn with the large
// artwork (twice the resolution).
constexpr double kHighDensityScale = 1.5;

// Controllers that set the nine sound parameters.
int ParamForController(int controller) {
  switch (controller) {
    case 1: return kSystemEnergyAmt;
    case 2: return kContainerDamping;
    case 3: return kContainerSize;
    case 7: return kAmpMainVolume;
    case 8: return kAmpFadeInOut;
    case 9: return kParticlesCollisions;
    case 10: return kParticlesMassSpread;
    case 11: return kParticlesWeightVelocityRatio;
    case 12: return kSoundfieldAmt;
    default: return -1;
  }
}

}  // namespace

PluginConfig Fluvia::Config(PluginApi api) {
  PluginConfig config;
  config.numParams = kNumParams;
  config.channelIO = "2-2";
  config.numPresets = 1;
  config.effectName = "Fluvia";
  config.productName = "";
  config.manufacturerName = "VelmoraAudio";
  config.version = 0x00010002;
  config.uniqueId = FourCC('V', 'f', 'l', '1');
  config.manufacturerId = FourCC('V', 'e', 'l', 'm');
  config.latency = 0;
  config.midiInput = true;
  config.stateChunks = false;
  config.instrument = true;
  config.api = api;
  return config;
}

Fluvia::Fluvia(const FluviaOptions& options)
    : IPluginCore(Config(options.api)),
      midiQueue_(MidiQueue::kMinCapacity, 1024),
      presetNames_(std::make_shared<PresetNames>()) {
  engine_ = WaterEngine::Create(SampleRate());
  for (int i = 0; i < kNumParams; ++i) {
    const EngineParamInfo* info = engine_->Descriptor(i);
    GetParam(i)->InitRange(info->name.c_str(), info->defaultValue, info->minimum, info->maximum,
                           kParamStep, info->unitLabel.c_str(), "", 1.0);
    audioValues_[size_t(i)] = GetParam(i)->Value();
  }
  PresentParameters(*this, presetNames_);
  ResetVoices();
  BuildEditorAndPresets(options);
  MakeDefaultPresets("Init", 1);
}

void Fluvia::BuildEditorAndPresets(const FluviaOptions& options) {
  // A plug-in installed system-wide brings the factory presets to the user's own folder
  // itself; a given folder (tests, tools) is used as it is.
  if (options.presetFolder.empty()) LaySharedFactoryPresetsOnce();
  const std::string folder = options.presetFolder.empty() ? PresetFolder() : options.presetFolder;
  presetFolder_ = folder;
  PresetControls controls;
  if (options.createGraphics) {
    settingsFile_ =
        options.settingsFile.empty() ? EditorSettingsFileFor(folder) : options.settingsFile;
    const EditorSettings settings =
        options.sizePreference ? ReadEditorSettings(settingsFile_) : EditorSettings{};
    editorSize_ = settings.size.value_or(options.artwork);
    editorSizeChosen_ = settings.size.has_value() || !options.sizePreference;
    displayScale_ = settings.scale.value_or(1.0);
    const ArtworkSet artwork = ArtworkFor(editorSize_);
    if (std::unique_ptr<IGraphics> graphics = options.createGraphics(*this, artwork)) {
      // The menu shows the folder as it is when the menu opens: scanned on the editor's
      // thread, then handed to the library under the instance mutex.
      auto selector = std::make_unique<IPopupMenu_PresetSelector>(
          *this, EditorRowRect(EditorControls::kPresetSelectorRow, artwork), [this] {
            PresetCatalogue scanned = PresetCatalogue::Scan(presetFolder_);
            std::lock_guard<std::recursive_mutex> lock(Mutex());
            if (!presets_) return PresetMenuContents{std::move(scanned), 0};
            presets_->UseCatalogue(std::move(scanned));
            return presets_->MenuContents();
          });
      auto sizeMenu = std::make_unique<IEditorSizeMenu>(
          *this, IBounds(), [this] { return editorSize_; },
          [this](ArtworkSet size) { ChooseEditorSize(size); });
      editorControls_ = BuildEditorLayout(*graphics, *this, artwork, std::move(selector),
                                          PresetDialogFolder(folder), std::move(sizeMenu));
      IGraphics* editor = graphics.get();
      controls = {editorControls_.presetName, editorControls_.loadSelector,
                  editorControls_.saveSelector,
                  [editor](const std::string& message) { editor->PostNotice(message); }};
      // Save offers the user folder and its first free slot.
      editorControls_.saveSelector->SetSuggestion([this](std::string& file, std::string& directory) {
        SuggestPresetSave(presetFolder_, file, directory);
      });
      AttachEditor(std::move(graphics));
    }
  }
  auto library = std::make_unique<PresetLibrary>(*this, folder, controls, presetNames_);
  library->Rescan();
  presets_ = std::move(library);
}

void Fluvia::RescanPresets() {
  PresetCatalogue scanned = PresetCatalogue::Scan(presetFolder_);
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  if (presets_) presets_->UseCatalogue(std::move(scanned));
}

void Fluvia::SetParamFromEditor(int index, double normalised) {
  const bool step = (index == kPresetBackward || index == kPresetForward) && normalised == 1.0;
  if (step || index == kPresetLoad) RescanPresets();
  IPluginCore::SetParamFromEditor(index, normalised);
}

ArtworkSet Fluvia::ArtworkFor(ArtworkSet size) const {
  return size == ArtworkSet::Small && displayScale_ >= kHighDensityScale ? ArtworkSet::Large
                                                                         : size;
}

void Fluvia::ShowEditorSize(ArtworkSet size) {
  auto* graphics = dynamic_cast<IGraphics*>(Editor());
  if (!graphics) return;
  editorSize_ = size;
  SwitchEditorArtwork(*graphics, editorControls_, ArtworkFor(size));
}

void Fluvia::ChooseEditorSize(ArtworkSet size) {
  ShowEditorSize(size);
  editorSizeChosen_ = true;
  // Failing to remember the choice must not bother the person: this editor has the size
  // anyway, and the next one starts from the default.
  SaveEditorSize(settingsFile_, size);
}

void Fluvia::EditorContentScale(double factor) {
  if (!(factor >= kMinEditorScale && factor <= kMaxEditorScale)) return;
  displayScale_ = factor;
  ShowEditorSize(editorSize_);
}

void Fluvia::EditorAboutToOpen() {
  auto* graphics = dynamic_cast<IGraphics*>(Editor());
  if (!graphics || editorSizeChosen_ || editorSize_ != ArtworkSet::Large) return;
  const auto large = EditorSizeFor(ArtworkSet::Large);
  int width = 0, height = 0;
  if (graphics->WorkAreaSize(width, height) && (width < large.width || height < large.height)) {
    ShowEditorSize(ArtworkSet::Small);
  }
}

Fluvia::~Fluvia() {
  // The worker must not run a preset command while the library and the engine go away.
  EndDeferredWork();
}

void Fluvia::SetPresetLibrary(std::unique_ptr<IPresetLibrary> library) {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  presets_ = std::move(library);
}

void Fluvia::ResetDsp() {
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  // Processing is stopped: the engine is this thread's now, and gets every value.
  ClearHandedOverChanges();
  // Above 48 kHz the engine runs at the base rate of the host's rate family, so that it
  // sounds the same at every rate; at 44.1 and 48 kHz and below it runs at the host's rate.
  rateRenderer_.Prepare(SampleRate(), BlockSize());
  engine_->Reset(rateRenderer_.EngineRate());
  for (int i = 0; i < kNumParams; ++i) TakeOver(i, GetParam(i)->Value());
  GetParam(kPresetSelector)->SetValue(0.0);
  TakeOver(kPresetSelector, 0.0);
  midiQueue_.Resize(BlockSize());
  ResetVoices();
}

void Fluvia::ParamChanged(int index) {
  const IParameter* param = GetParam(index);
  if (!param) return;
  const double value = param->Value();
  if (OnAudioThread()) {
    TakeOver(index, value);
    // A preset command reads a file: the worker carries it out.
    if (ParamChangeNeedsWorker(index, value)) {
      DeferToWorker({DeferredCommand::Kind::ParamCommand, index, value});
    } else if (presets_ && IsStoredPresetParam(index) &&
               !soundCheckPending_.exchange(true, std::memory_order_acq_rel)) {
      // A controller moved a sound parameter: the worker updates the changed mark, once for
      // however many moves arrive before it runs.
      DeferDisplayWork({DeferredCommand::Kind::ParamCommand, index, value});
    }
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  HandOverParam(index);
  if (presets_ && IsStoredPresetParam(index)) presets_->SoundChanged();
  // A restored state replays every parameter; the preset commands among them must not step,
  // load or save, or the last preset file would overwrite the values just restored.
  if (ChangeSource() == ParamChangeSource::StateRestore) return;
  RunPresetCommand(index, value);
}

bool Fluvia::ParamChangeNeedsWorker(int index, double value) const {
  switch (index) {
    case kPresetBackward:
    case kPresetForward: return value == 1.0;
    case kPresetLoad:
    case kPresetSelector: return true;
    default: return false;  // the host never saves a preset (PresetSave)
  }
}

void Fluvia::DeferredParamChanged(int index, double value) {
  if (IsStoredPresetParam(index)) {
    soundCheckPending_.store(false, std::memory_order_release);
    if (presets_) presets_->SoundChanged();
    return;
  }
  // The folder as it is now: the person may have saved or removed presets since the last look.
  RescanPresets();
  if (index == kPresetSelector) {
    // The number the host asked for; the selector may have moved on since.
    GetParam(kPresetSelector)->SetValue(value);
    HandOverParam(kPresetSelector);
  }
  RunPresetCommand(index, value);
}

void Fluvia::RunPresetCommand(int index, double value) {
  switch (index) {
    case kPresetBackward:
    case kPresetForward:
      if (value == 1.0) {
        WholeChangeScope whole(*this);
        RequestVoiceReset();
        if (presets_) presets_->StepPreset(index == kPresetForward ? +1 : -1);
      }
      break;
    case kPresetLoad:
      if (presets_) {
        WholeChangeScope whole(*this);
        presets_->LoadChosenFile();
      }
      break;
    case kPresetSave:
      // Only the editor's save button saves; host automation and controllers never write.
      if (presets_ && ChangeSource() == ParamChangeSource::Editor) presets_->SaveChosenFile();
      break;
    case kPresetSelector: {
      WholeChangeScope whole(*this);
      RequestVoiceReset();
      if (presets_) presets_->LoadLibraryPreset();
      break;
    }
    default:
      break;
  }
}

void Fluvia::RequestVoiceReset() {
  if (OnAudioThread()) {
    ResetVoices();
  } else {
    HandOverRequest(kResetVoicesRequest);
  }
}

bool Fluvia::VoiceResetRequested() const { return HandOverRequested(kResetVoicesRequest); }

void Fluvia::ChangesHandedOver(const ParamHandOver::Taken& changes) {
  // In the order the other side made them: the voices are cleared before a preset's values.
  if (changes.Requests() & kResetVoicesRequest) ResetVoices();
  for (int i = 0; i < kNumParams; ++i) {
    if (changes.Has(i)) TakeOver(i, changes.Value(i));
  }
}

void Fluvia::TakeOver(int index, double value) {
  engine_->SetParameter(index, value);
  audioValues_[size_t(index)] = value;
}

void Fluvia::ProcessMidi(const MidiMessage& message) {
  const int channel = static_cast<int>(audioValues_[kMidiChannelInput] - 1.0);
  if (message.Channel() == channel) midiQueue_.Add(message);
}

int Fluvia::NextEventFrame(int limit) const { return midiQueue_.NextOffsetAfter(0, limit); }

void Fluvia::ProcessCallStarting() {
  const double tempo = HostTempo();
  {
    AudioWriteScope writes(*this);
    GetParam(kHostTempoBpm)->SetValue(tempo);
  }
  engine_->SetParameter(kHostTempoBpm, tempo);
}

void Fluvia::ProcessDouble(double** inputs, double** outputs, int frames) {
  // Every message due within this call is handled before the engine renders it. The base
  // ends each call at the next message's frame (NextEventFrame), so there these are the
  // messages of the call's first frame; a caller that renders whole blocks itself gets
  // block-by-block MIDI.
  if (!midiQueue_.Empty() && midiQueue_.Front().offset < frames) {
    AudioWriteScope writes(*this);  // notes and controllers set parameter values
    while (!midiQueue_.Empty() && midiQueue_.Front().offset < frames) {
      HandleMessage(midiQueue_.Front());
      midiQueue_.Remove();
    }
  }
  midiQueue_.Flush(frames);
  rateRenderer_.Render(*engine_, inputs, outputs, frames);
}

void Fluvia::HandleMessage(const MidiMessage& message) {
  switch (message.Kind()) {
    case 8:
    case 9:
      if (audioValues_[kVoiceModeMonoPoly] != 0.0) return;
      if (message.Kind() == 9 && message.data2 != 0) {
        NoteOn(message.data1, message.data2);
      } else {
        NoteOff(message.data1);
      }
      break;
    case 11:
      ControlChange(message.data1, message.data2);
      break;
    default:
      break;  // pressure, program change, pitch bend and system messages are not used
  }
}

void Fluvia::SetVoiceParam(int index, double value) {
  TakeOver(index, value);
  GetParam(index)->SetValue(value);
}

void Fluvia::NoteOn(int key, int velocity) {
  key &= 127;
  heldKeys_[size_t(key)] = true;
  SetVoiceParam(kVoice00_NoteGate, 1.0);
  SetVoiceParam(kVoice00_NoteNumber, key);
  SetVoiceParam(kVoice00_NoteVelocity, velocity);
  if (audioValues_[kVoiceRetrigOffOn] == 1.0) StepRetrigger();

  noteStackTop_ = std::min(noteStackTop_ + 1, kMaxNoteStack);
  noteStack_[size_t(noteStackTop_)] = key;
  velocityStack_[size_t(noteStackTop_)] = velocity;
}

void Fluvia::NoteOff(int key) {
  key &= 127;
  heldKeys_[size_t(key)] = false;
  const int top = noteStack_[size_t(noteStackTop_)];
  noteStackTop_ = std::max(noteStackTop_ - 1, 0);
  if (audioValues_[kVoiceRetrigOffOn] == 1.0 && top == key && noteStackTop_ > 0) {
    StepRetrigger();
  }

  // Remove the key's first entry from both stacks; the later entries move down.
  for (size_t slot = 0; slot < noteStack_.size(); ++slot) {
    if (noteStack_[slot] != key) continue;
    std::copy(noteStack_.begin() + long(slot) + 1, noteStack_.end(), noteStack_.begin() + long(slot));
    std::copy(velocityStack_.begin() + long(slot) + 1, velocityStack_.end(),
              velocityStack_.begin() + long(slot));
    noteStack_.back() = 0;
    velocityStack_.back() = 0;
    break;
  }

  if (sustainLevel_ == 0) {
    SetVoiceParam(kVoice00_NoteGate, 0.0);
    SetVoiceParam(kVoice00_NoteNumber, key);
  }
  // With other keys still down the voice falls back to the top of the stack, without a new
  // gate edge.
  for (bool held : heldKeys_) {
    if (!held) continue;
    SetVoiceParam(kVoice00_NoteGate, 1.0);
    SetVoiceParam(kVoice00_NoteNumber, noteStack_[size_t(noteStackTop_)]);
    SetVoiceParam(kVoice00_NoteVelocity, velocityStack_[size_t(noteStackTop_)]);
    break;
  }
}

void Fluvia::ControlChange(int controller, int value) {
  const int param = ParamForController(controller);
  if (param >= 0) {
    const double normalised = value / 127.0;
    GetParam(param)->SetFromNormalised(normalised);
    engine_->SetParameter(param, normalised);
    if (Editor()) Editor()->PostParameterFromPlug(param, normalised);
    ParamChanged(param);
    return;
  }
  if (controller == 64) {
    if (value == 0) {
      sustainLevel_ = 0;
      const bool anyHeld = std::find(heldKeys_.begin(), heldKeys_.end(), true) != heldKeys_.end();
      if (audioValues_[kVoiceModeMonoPoly] == 0.0 && !anyHeld) {
        SetVoiceParam(kVoice00_NoteGate, 0.0);
      }
    }
    if (value == 127) sustainLevel_ = 127;
  } else if (controller == 123) {
    ResetVoices();
  }
}

void Fluvia::StepRetrigger() {
  retriggerToggle_ += 0.01f;
  if (retriggerToggle_ > 0.99f) retriggerToggle_ = 0.0f;
  SetVoiceParam(kVoice00_NoteRetrig, retriggerToggle_);
}

void Fluvia::ResetVoices() {
  heldKeys_.fill(false);
  noteStackTop_ = 0;
  noteStack_.fill(0);
  velocityStack_.fill(0);
  retriggerToggle_ = 0.0f;
  sustainLevel_ = 0;
  SetVoiceParam(kVoice00_NoteGate, 0.0);
}

}  // namespace fluvia
