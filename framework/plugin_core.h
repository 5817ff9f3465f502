#pragma once
// IPluginCore: the host-neutral core of one plug-in instance. It owns the parameters, the
// preset slots, the channel buffers, the instance mutex, the host facts and the editor.
// A format adapter drives it (processing, parameters, state) and answers its questions about
// the host through IHostLink; the instrument derives from it and overrides the processing
// operations.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/editor_link.h"
#include "framework/host_link.h"
#include "framework/latency_delay_line.h"
#include "framework/param_point_queue.h"
#include "framework/parameter.h"
#include "framework/plugin_types.h"
#include "framework/state_chunk.h"

namespace fluvia {

struct PluginConfig {
  int numParams = 0;
  const char* channelIO = "2-2";
  int numPresets = 1;
  const char* effectName = "";
  const char* productName = "";
  const char* manufacturerName = "";
  int32_t version = 0;
  uint32_t uniqueId = 0;
  uint32_t manufacturerId = 0;
  int latency = 0;
  bool midiInput = false;
  bool stateChunks = false;
  bool instrument = false;
  PluginApi api = PluginApi::VST3;
};

// Where the parameter change being handled came from. The preset commands use it to tell a
// confirmed editor action from the replay of a restored state.
enum class ParamChangeSource { Host, Editor, StateRestore };

class IPluginCore {
 public:
  explicit IPluginCore(const PluginConfig& config);
  virtual ~IPluginCore();
  IPluginCore(const IPluginCore&) = delete;
  IPluginCore& operator=(const IPluginCore&) = delete;

  // ---- Operations the instrument and the adapters override or call -------------------------
  virtual void ResetDsp();
  virtual void ParamChanged(int index);
  // Copies each input into the output of the same index and silences the other outputs.
  virtual void ProcessDouble(double** inputs, double** outputs, int frames);
  virtual void ProcessFloat(float** inputs, float** outputs, int frames);
  virtual void EditorOpened() {}
  virtual void EditorClosed() {}
  // The host is about to show the editor (before it asks for the editor's size): the last
  // moment to settle the size on the screen the host is on.
  virtual void EditorAboutToOpen() {}
  // The host's device pixels per editor pixel changed (1 on ordinary displays).
  virtual void EditorContentScale(double /*factor*/) {}
  virtual void ActivationChanged(bool active);
  virtual void ProcessMidi(const MidiMessage& message);
  // The frame, counted from the start of the next ProcessDouble call, of the first pending
  // event after that call's first frame; `limit` when none comes before it. Processing
  // splits the block there, so that every event acts at its own frame.
  virtual int NextEventFrame(int limit) const { return limit; }
  // Called once per host processing call, before its first frame: what is read from the
  // host once per block (tempo, transport) is read here.
  virtual void ProcessCallStarting() {}
  virtual void ReceiveSysEx(const SysExMessage& /*message*/) {}
  virtual bool NoteNameFor(int note, char* text);
  virtual bool SaveState(StateChunk& chunk);
  virtual int LoadState(const StateChunk& chunk, int position);
  virtual bool StateMatches(const double* values, int startIndex) const;
  virtual void EditorResized() {}
  virtual void HostIdentified() {}
  virtual void ShowHostParamMenu(int index, int x, int y);
  virtual void SetParamFromEditor(int index, double normalised);
  // These three tell the host of a change the person made in the editor; a hidden parameter
  // (a preset button, say) is not the host's to record, so nothing is sent for it.
  virtual void BeginParamEdit(int index);
  virtual void ReportParamChange(int index, double normalised);
  virtual void EndParamEdit(int index);
  // Many values changed at once, not one by one (a preset loaded in the editor): the host
  // should read them all again. Call on the editor's thread.
  virtual void ReportPresetChange();
  virtual bool IsOfflineRendering();
  virtual int32_t SamplePosition();
  virtual double HostTempo();
  virtual void TimeSignature(int& numerator, int& denominator);
  virtual void FillTimeInfo(TimeInfo& info);
  virtual HostKind HostKindOf();
  virtual PluginApi ApiKind() const { return api_; }
  virtual void ResizeEditor(int width, int height);
  virtual void HostOpened() {}
  virtual void AttachEditor(std::unique_ptr<IEditorLink> editor);
  virtual void ChangeLatency(int frames);
  virtual bool SendMidi(const MidiMessage& message);
  virtual bool SendSysEx(const SysExMessage& message);
  virtual void RefreshEditorParams();
  virtual void PresetsChanged() {}
  virtual void SetMaxBlockSize(int frames);

  // ---- Host link and host facts ------------------------------------------------------------
  void SetHostLink(IHostLink* host) { host_ = host; }
  IHostLink* HostLink() const { return host_; }
  void SetHost(HostKind kind, int32_t version);
  int32_t HostVersion() const { return hostVersion_; }
  void SetSampleRate(double sampleRate) { sampleRate_ = sampleRate; }
  double SampleRate() const { return sampleRate_; }
  int BlockSize() const { return blockSize_; }
  int Latency() const { return latency_; }
  int TailSize() const { return tailSize_; }
  bool IsBypassed() const { return bypassed_; }
  void SetBypassed(bool bypassed) { bypassed_ = bypassed; }

  // ---- Identity ------------------------------------------------------------------------------
  const std::string& EffectName() const { return effectName_; }
  const std::string& ProductName() const { return productName_; }
  const std::string& ManufacturerName() const { return manufacturerName_; }
  uint32_t UniqueId() const { return uniqueId_; }
  uint32_t ManufacturerId() const { return manufacturerId_; }
  int32_t Version() const { return version_; }
  bool WantsStateChunks() const { return stateChunks_; }
  bool IsInstrument() const { return instrument_; }
  bool TakesMidi() const { return midiInput_; }

  // ---- Parameters ----------------------------------------------------------------------------
  int NumParams() const { return static_cast<int>(params_.size()); }
  IParameter* GetParam(int index);
  const IParameter* GetParam(int index) const;
  ParamChangeSource ChangeSource() const { return changeSource_; }
  std::vector<std::string>& ParamGroups() { return paramGroups_; }
  // The order in which hosts list the parameters (indices; identifiers and the state keep the
  // index order). Every index once; 0, 1, 2 ... until the plug-in sets another.
  const std::vector<int>& ParamListOrder() const { return paramListOrder_; }
  // Ignored unless it names every parameter exactly once.
  void SetParamListOrder(const std::vector<int>& order);

  // ---- Channels and buffers (for the adapters; all take the instance mutex) ------------------
  const std::vector<ChannelIOPair>& ChannelConfigurations() const { return channelIO_; }
  bool LegalIO(int inputs, int outputs) const;
  int NumInputs() const { return static_cast<int>(inputs_.size()); }
  int NumOutputs() const { return static_cast<int>(outputs_.size()); }
  std::vector<std::string>& InputBusLabels() { return inputBusLabels_; }
  std::vector<std::string>& OutputBusLabels() { return outputBusLabels_; }
  bool InputConnected(int channel) const;
  bool OutputConnected(int channel) const;

  void SetInputChannelConnections(int first, int count, bool connected);
  void SetOutputChannelConnections(int first, int count, bool connected);
  // Hand over the host's arrays for the next processing call: the k-th array goes to the k-th
  // connected channel of [first, first + count). A null array leaves that channel on its
  // scratch buffer for this block.
  void AttachInputBuffers(int first, int count, const float* const* data);
  void AttachInputBuffers(int first, int count, const double* const* data);
  void AttachOutputBuffers(int first, int count, float* const* data);
  void AttachOutputBuffers(int first, int count, double* const* data);
  // A host parameter change that takes effect at a frame of the next processing call (a
  // normalised value; offsets below zero mean frame 0, offsets beyond the block act once the
  // block is rendered). Up to kMaxParamPoints points wait per call; see ParamPointQueue for
  // what happens past that.
  static constexpr int kMaxParamPoints = 4096;
  void AddParamPoint(int index, double normalised, int offset);
  // Runs ProcessDouble over the attached buffers, split into segments at every frame that
  // holds a parameter point or an event (NextEventFrame): at the start of each segment the
  // parameter points of that frame take effect, then ProcessDouble handles the events of
  // that frame and renders the segment. So the output does not depend on how the host cuts
  // the stream into blocks. Blocks longer than the announced maximum are processed in pieces
  // of at most the maximum, so the scratch buffers never overflow; before any maximum is
  // known the outputs are silenced.
  void ProcessBuffers(int frames);
  void ProcessBuffersAccumulating(int frames);  // 32-bit outputs are added to, not replaced
  // Bypass: inputs reach the outputs (delayed by the latency when there is one).
  void PassThroughBuffers(int frames);
  void ZeroScratchBuffers();
  LatencyDelayLine* DelayLine() { return latencyDelay_.get(); }
  void CreateLatencyDelayLine();

  // ---- State and presets ---------------------------------------------------------------------
  bool SerializeParams(StateChunk& chunk);
  int UnserializeParams(const StateChunk& chunk, int position);
  bool RestorePreset(int index);
  void MakeDefaultPresets(const char* name, int count);
  int NumPresets() const { return static_cast<int>(presets_.size()); }
  int CurrentPreset() const { return currentPreset_; }
  const PluginPreset* Preset(int index) const;
  // Preset-bank operations, used by the VST2 adapter.
  std::string PresetName(int index) const;
  void ModifyCurrentPreset(const char* name);
  bool SerializePresets(StateChunk& chunk);
  int UnserializePresets(const StateChunk& chunk, int position);

  // ---- Editor and the instance mutex ---------------------------------------------------------
  IEditorLink* Editor() const { return editor_.get(); }
  std::recursive_mutex& Mutex() const { return mutex_; }

 protected:
  void SetBlockSizeField(int frames) { blockSize_ = frames; }

 private:
  struct InputChannel {
    bool connected = false;
    std::vector<double> scratch;
    const float* hostFloat = nullptr;
    const double* hostDouble = nullptr;
    std::string label;
  };
  struct OutputChannel {
    bool connected = false;
    std::vector<double> scratch;
    float* hostFloat = nullptr;
    double* hostDouble = nullptr;
    std::string label;
  };
  enum class Processor { Plugin, PassThrough };
  enum class FloatOutput { Replace, Accumulate };

  void RunBlocks(int frames, Processor processor, FloatOutput floatOutput);
  void RenderSegments(int frames);
  // Applies the pending parameter points at or before `frame` of the current piece.
  void ApplyParamPointsThrough(int frame);
  void SilenceHostOutputs(int frames, FloatOutput floatOutput);
  void ForgetHostBuffers();
  void ParseChannelConfigurations(const char* text);

  std::vector<ChannelIOPair> channelIO_;
  mutable std::recursive_mutex mutex_;
  std::string effectName_;
  std::string productName_;
  std::string manufacturerName_;
  uint32_t uniqueId_;
  uint32_t manufacturerId_;
  int32_t version_;
  PluginApi api_;
  HostKind hostKind_ = kHostNotIdentified;
  int32_t hostVersion_ = 0;
  bool stateChunks_;
  bool instrument_;
  bool midiInput_;
  bool bypassed_ = false;
  int currentPreset_ = 0;
  double sampleRate_ = 44100.0;
  int blockSize_ = 0;
  int latency_;
  int tailSize_ = 0;
  std::unique_ptr<LatencyDelayLine> latencyDelay_;
  std::vector<std::string> paramGroups_;
  std::vector<int> paramListOrder_;
  std::unique_ptr<IEditorLink> editor_;
  std::vector<std::unique_ptr<IParameter>> params_;
  std::vector<std::unique_ptr<PluginPreset>> presets_;
  std::vector<double*> inputPointers_;
  std::vector<double*> outputPointers_;
  std::vector<double*> segmentInputs_;
  std::vector<double*> segmentOutputs_;
  ParamPointQueue paramPoints_{kMaxParamPoints};
  std::vector<InputChannel> inputs_;
  std::vector<OutputChannel> outputs_;
  std::vector<std::string> inputBusLabels_;
  std::vector<std::string> outputBusLabels_;
  IHostLink* host_ = nullptr;
  ParamChangeSource changeSource_ = ParamChangeSource::Host;

  friend class ChangeSourceScope;
};

// Marks the parameter changes made while it lives as coming from one source.
class ChangeSourceScope {
 public:
  ChangeSourceScope(IPluginCore& core, ParamChangeSource source)
      : core_(core), previous_(core.changeSource_) {
    core.changeSource_ = source;
  }
  ~ChangeSourceScope() { core_.changeSource_ = previous_; }
  ChangeSourceScope(const ChangeSourceScope&) = delete;
  ChangeSourceScope& operator=(const ChangeSourceScope&) = delete;

 private:
  IPluginCore& core_;
  ParamChangeSource previous_;
};

}  // namespace fluvia
