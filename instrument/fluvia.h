#pragma once
// Fluvia, the instrument: builds its 26 host parameters from the engine's descriptors, turns
// MIDI notes, controllers, host tempo and parameter changes into engine settings, hands the
// preset commands to the preset library and renders each block with its engine.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include <string>

#include "engine/base_rate_renderer.h"
#include "engine/water_engine.h"
#include "framework/plugin_core.h"
#include "graphics/editor_layout.h"
#include "graphics/graphics_factory.h"
#include "instrument/midi_queue.h"
#include "presets/preset_library.h"

namespace fluvia {

class PresetNames;

struct FluviaOptions {
  PluginApi api = PluginApi::VST3;
  // The editor size of the deliverable when the person has not chosen one: large for VST3,
  // small for VST2.
  ArtworkSet artwork = ArtworkSet::Large;
  // The window host the editor runs on; without one the instrument has no editor.
  GraphicsFactory createGraphics;
  // The preset library's folder; empty: the platform's preset folder.
  std::string presetFolder;
  // The editor settings file (the person's size choice); empty: beside the preset folder.
  std::string settingsFile;
  // False: the editor opens with `artwork` whatever the person chose, and the screen is not
  // consulted (tools that draw a given size).
  bool sizePreference = true;
};

class Fluvia : public IPluginCore {
 public:
  static constexpr int kNumParams = 26;
  static constexpr int kMaxNoteStack = 100;
  static PluginConfig Config(PluginApi api);

  explicit Fluvia(const FluviaOptions& options = {});
  ~Fluvia() override;

  void ResetDsp() override;
  // On the audio thread: the value goes to the engine, and a preset command to the worker.
  // Elsewhere (under the mutex): the value is handed over to the audio thread and a preset
  // command runs here, its voice reset and values arriving at one block start.
  void ParamChanged(int index) override;
  // The preset buttons look at the preset folder first (on the editor's thread, before the
  // instance mutex is taken), so a step or a load sees the files as they are now.
  void SetParamFromEditor(int index, double normalised) override;
  void ProcessDouble(double** inputs, double** outputs, int frames) override;
  void ProcessMidi(const MidiMessage& message) override;
  int NextEventFrame(int limit) const override;
  void ProcessCallStarting() override;
  void ChangesHandedOver(const ParamHandOver::Taken& changes) override;
  bool ParamChangeNeedsWorker(int index, double value) const override;
  void DeferredParamChanged(int index, double value) override;

  // Clears held keys, the note stack, the sustain state and the gate. On the audio thread, or
  // while processing is stopped; other threads ask for it with RequestVoiceReset.
  void ResetVoices();
  // The voices are cleared at the audio thread's next block start (at once on the audio
  // thread itself), together with the rest of the change being written.
  void RequestVoiceReset();
  bool VoiceResetRequested() const;

  // The preset library that receives the preset commands (none: the commands only reach
  // the engine). The constructor installs the library of the preset folder.
  void SetPresetLibrary(std::unique_ptr<IPresetLibrary> library);
  IPresetLibrary* Presets() const { return presets_.get(); }
  // Scans the preset folder (without holding the instance mutex) and hands the result to the
  // library.
  void RescanPresets();
  const std::string& PresetFolderPath() const { return presetFolder_; }
  // The editor's controls (all null without an editor).
  const EditorControls& EditorParts() const { return editorControls_; }

  // The editor size the person sees (Small may be drawn with the large artwork on a
  // high-density display).
  ArtworkSet CurrentEditorSize() const { return editorSize_; }
  // The person chose a size: the editor switches in place and the choice is remembered for
  // every instance. Call on the editor's thread.
  void ChooseEditorSize(ArtworkSet size);
  // A Large default that does not fit the screen's work area becomes Small.
  void EditorAboutToOpen() override;
  // From 1.5 device pixels per editor pixel on, Small is drawn with the large artwork. A
  // factor outside kMinEditorScale..kMaxEditorScale (or not a number) is ignored.
  void EditorContentScale(double factor) override;

  WaterEngine& Engine() { return *engine_; }
  const WaterEngine& Engine() const { return *engine_; }
  // Runs the engine at the base rate of the host's rate and upsamples its output.
  const BaseRateRenderer& RateRenderer() const { return rateRenderer_; }
  const MidiQueue& PendingMidi() const { return midiQueue_; }
  int NoteStackTop() const { return noteStackTop_; }
  int NoteStackEntry(int slot) const { return noteStack_[size_t(slot)]; }
  bool KeyHeld(int key) const { return heldKeys_[size_t(key & 127)]; }
  int SustainLevel() const { return sustainLevel_; }
  float RetriggerToggle() const { return retriggerToggle_; }

 private:
  // Requests handed over to the audio thread.
  static constexpr uint32_t kResetVoicesRequest = 1;

  // The five preset commands, on a thread that holds the mutex, with the value they got.
  void RunPresetCommand(int index, double value);
  // The audio thread: the engine and the audio side's copy of the value.
  void TakeOver(int index, double value);
  void HandleMessage(const MidiMessage& message);
  void NoteOn(int key, int velocity);
  void NoteOff(int key);
  void ControlChange(int controller, int value);
  void StepRetrigger();
  void SetVoiceParam(int index, double value);  // host parameter and engine copy alike
  void BuildEditorAndPresets(const FluviaOptions& options);
  // Puts the editor at that size without recording it.
  void ShowEditorSize(ArtworkSet size);
  // The artwork that draws a size: on a display of two device pixels per editor pixel the
  // small editor is drawn with the large set.
  ArtworkSet ArtworkFor(ArtworkSet size) const;

  std::unique_ptr<WaterEngine> engine_;
  // The parameter values as the audio thread took them over, before the engine's own
  // clamping: MIDI handling decides by these, so a change made elsewhere acts on it from a
  // block start on, like everything else.
  std::array<double, kNumParams> audioValues_{};
  BaseRateRenderer rateRenderer_;
  // A changed-mark update is queued for the worker (audio-thread changes of sound parameters).
  std::atomic<bool> soundCheckPending_{false};
  MidiQueue midiQueue_;
  int sustainLevel_ = 0;
  std::array<bool, 128> heldKeys_{};
  int noteStackTop_ = 0;
  std::array<int32_t, 128> noteStack_{};
  std::array<int32_t, 128> velocityStack_{};
  float retriggerToggle_ = 0.0f;
  std::unique_ptr<IPresetLibrary> presets_;
  std::string presetFolder_;
  std::shared_ptr<PresetNames> presetNames_;
  EditorControls editorControls_;
  ArtworkSet editorSize_ = ArtworkSet::Large;
  bool editorSizeChosen_ = false;  // the settings file names a size
  double displayScale_ = 1.0;      // device pixels per editor pixel
  std::string settingsFile_;
};

}  // namespace fluvia
