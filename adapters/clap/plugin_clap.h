#pragma once
// IPluginCLAP: connects a plug-in core to a CLAP host. The host holds the plug-in record this
// object fills; the record's entries and the extension tables come back here, and the core
// reaches the host through the host record and the host's extensions, all looked up in init.
//
// Threads: the host's main thread calls the lifecycle, parameter information, state and editor
// entries; its audio thread calls process, reset and (while active) flush. The audio thread
// never waits: process and a flush while processing run inside the core's audio thread scope
// without a lock, a flush with processing stopped hands the values over without waiting, and a
// reset that finds the instance mutex taken is done by the next block. State transfers and
// setup take the instance mutex on the main thread, as in the other formats. The editor's
// edits reach the host through a queue that process and flush drain.

#include <atomic>
#include <memory>

#include "adapters/clap/clap_abi.h"
#include "adapters/clap/edit_queue.h"
#include "adapters/clap/gui_platform.h"
#include "framework/host_link.h"
#include "framework/plugin_core.h"

namespace fluvia {

// Parameter identifier of the preset selector (a program change), as the VST3 module has it.
constexpr clap::Id kClapPresetParamId = 0x70727374;  // 'prst'

class IPluginCLAP final : public IHostLink {
 public:
  // The longest block the core prepares for; longer host blocks are processed in pieces.
  static constexpr uint32_t kLargestBlock = 1u << 16;
  static constexpr int kEditQueueCapacity = 1024;

  IPluginCLAP(std::unique_ptr<IPluginCore> core, const clap::Host* host,
              const clap::PluginDescriptor* descriptor);
  ~IPluginCLAP() override;
  IPluginCLAP(const IPluginCLAP&) = delete;
  IPluginCLAP& operator=(const IPluginCLAP&) = delete;

  const clap::Plugin* Record() const { return &plugin_; }
  IPluginCore& Core() { return *core_; }
  // The instance behind a record the host passes back; null for a null record or one that is
  // not this module's.
  static IPluginCLAP* From(const clap::Plugin* plugin);

  // ---- Lifecycle (the plug-in record's entries) ---------------------------------------------
  bool Init();
  bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void Deactivate();
  bool StartProcessing();
  void StopProcessing();
  void Reset();
  clap::ProcessStatus Process(const clap::Process* process);
  const void* Extension(const char* id) const;
  // The host's callback on its main thread, asked for with request_callback.
  void OnMainThread();
  bool Active() const { return stage_ >= Stage::Active; }
  bool Processing() const { return stage_ == Stage::Processing; }

  // ---- Ports --------------------------------------------------------------------------------
  uint32_t AudioPortCount(bool isInput) const;
  bool AudioPort(uint32_t index, bool isInput, clap::AudioPortInfo* info) const;
  uint32_t NotePortCount(bool isInput) const;
  bool NotePort(uint32_t index, bool isInput, clap::NotePortInfo* info) const;

  // ---- Parameters ---------------------------------------------------------------------------
  uint32_t ParamCount() const;
  bool ParamInfo(uint32_t index, clap::ParamInfo* info) const;
  bool ParamValue(clap::Id id, double* value) const;
  bool ValueToText(clap::Id id, double value, char* display, uint32_t size) const;
  bool TextToValue(clap::Id id, const char* display, double* value) const;
  void Flush(const clap::InputEvents* in, const clap::OutputEvents* out);

  // ---- State --------------------------------------------------------------------------------
  bool SaveState(const clap::OStream* stream);
  bool LoadState(const clap::IStream* stream);

  // ---- Editor -------------------------------------------------------------------------------
  bool HasEditor() const { return core_->Editor() != nullptr; }
  bool GuiApiSupported(const char* api, bool isFloating) const;
  bool GuiCreate(const char* api, bool isFloating);
  void GuiDestroy();
  bool GuiSetScale(double scale);
  bool GuiSize(uint32_t* width, uint32_t* height) const;
  bool GuiSetSize(uint32_t width, uint32_t height) const;
  bool GuiSetParent(const clap::Window* window);
  bool GuiShow();
  bool GuiHide();
  void OnTimer(clap::Id timerId);
  void OnFd(int fd, uint32_t flags);

  // ---- Rendering mode -----------------------------------------------------------------------
  bool SetRenderMode(clap::RenderMode mode);

  // ---- IHostLink: what the core asks of the host ---------------------------------------------
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalised) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override;
  bool IsOfflineRendering() override { return offline_.load(std::memory_order_relaxed); }
  int32_t SamplePosition() override;
  double HostTempo() override;
  void TimeSignature(int& numerator, int& denominator) override;
  void FillTimeInfo(TimeInfo& info) override;
  void ResizeEditor(int width, int height) override;
  bool SendMidi(const MidiMessage& message) override;

  // Whether the editor's queue holds edits the host has not received yet (tests).
  int PendingEdits() const { return edits_.Size(); }

 private:
  enum class Stage { Created, Initialised, Active, Processing };
  struct HostExtensions {
    const clap::HostThreadCheck* threadCheck = nullptr;
    const clap::HostLog* log = nullptr;
    const clap::HostParams* params = nullptr;
    const clap::HostGui* gui = nullptr;
    const clap::HostTimerSupport* timers = nullptr;
    const clap::HostPosixFdSupport* fds = nullptr;
  };

  void LookUpHostExtensions();
  // Whether the host says this is its main thread (true when it has no thread check).
  bool OnHostMainThread() const;
  // False (and a note in the host's log) when the host says this is not its main thread.
  bool OnMainThread(const char* call) const;
  void CheckAudioThread();
  void Log(clap::LogSeverity severity, const char* message) const;
  void QueueEdit(const ParamEdit& edit);

  // A reset asked for on the audio thread, done when the instance mutex is free at once.
  void RunPendingReset();
  // Asks the host to read every parameter value again (main thread).
  void RescanValues();

  // Processing steps, on the audio thread inside the core's audio thread scope.
  void HandleInputEvents(const clap::InputEvents* in, uint32_t frames, bool withNotes);
  void HandleNote(const clap::EventNote& note, uint16_t type);
  void HandleMidi(const clap::EventMidi& midi);
  void HandleParamValue(const clap::EventParamValue& event);
  // A flush with processing stopped: the parameter values only, handed over without waiting.
  void HandleFlushedValues(const clap::InputEvents* in);
  void PassEditsToHost(const clap::OutputEvents* out);
  void ConnectOutputs(const clap::Process& process);

  std::unique_ptr<IPluginCore> core_;
  const clap::Host* host_;
  HostExtensions hostExtensions_;
  clap::Plugin plugin_{};
  std::atomic<Stage> stage_{Stage::Created};
  EditQueue edits_{kEditQueueCapacity};
  std::atomic<bool> offline_{false};
  std::atomic<bool> warnedAudioThread_{false};
  std::atomic<bool> resetPending_{false};
  std::atomic<bool> rescanPending_{false};

  // Transport of the current process call: the audio thread's.
  clap::EventTransport transport_{};
  bool hasTransport_ = false;

  // Editor state, main thread only.
  GuiPlatform gui_;
  bool guiCreated_ = false;
  bool guiParented_ = false;
  bool guiHidden_ = false;
  clap::Window guiParent_{};
};

}  // namespace fluvia
