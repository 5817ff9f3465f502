// Construction, the plug-in record's entries, the lifecycle and what the core asks of the host.

#include "adapters/clap/plugin_clap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "adapters/clap/extension_tables.h"
#include "framework/host_lookup.h"

namespace fluvia {
namespace {

template <typename Extension>
const Extension* HostExtension(const clap::Host* host, const char* id) {
  if (!host || !host->getExtension) return nullptr;
  return static_cast<const Extension*>(host->getExtension(host, id));
}

}  // namespace

IPluginCLAP::IPluginCLAP(std::unique_ptr<IPluginCore> core, const clap::Host* host,
                         const clap::PluginDescriptor* descriptor)
    : core_(std::move(core)), host_(host) {
  core_->SetHostLink(this);
  // No audio input: the inputs read silence. Both outputs are the main port's.
  core_->SetInputChannelConnections(0, core_->NumInputs(), false);
  core_->SetOutputChannelConnections(0, core_->NumOutputs(), true);

  plugin_.desc = descriptor;
  plugin_.pluginData = this;
  plugin_.init = [](const clap::Plugin* p) {
    IPluginCLAP* self = From(p);
    return self && self->Init();
  };
  plugin_.destroy = [](const clap::Plugin* p) { delete From(p); };
  plugin_.activate = [](const clap::Plugin* p, double rate, uint32_t minFrames,
                        uint32_t maxFrames) {
    IPluginCLAP* self = From(p);
    return self && self->Activate(rate, minFrames, maxFrames);
  };
  plugin_.deactivate = [](const clap::Plugin* p) {
    if (IPluginCLAP* self = From(p)) self->Deactivate();
  };
  plugin_.startProcessing = [](const clap::Plugin* p) {
    IPluginCLAP* self = From(p);
    return self && self->StartProcessing();
  };
  plugin_.stopProcessing = [](const clap::Plugin* p) {
    if (IPluginCLAP* self = From(p)) self->StopProcessing();
  };
  plugin_.reset = [](const clap::Plugin* p) {
    if (IPluginCLAP* self = From(p)) self->Reset();
  };
  plugin_.process = [](const clap::Plugin* p, const clap::Process* process) {
    IPluginCLAP* self = From(p);
    return self ? self->Process(process) : clap::kProcessError;
  };
  plugin_.getExtension = [](const clap::Plugin* p, const char* id) -> const void* {
    IPluginCLAP* self = From(p);
    return self ? self->Extension(id) : nullptr;
  };
  plugin_.onMainThread = [](const clap::Plugin* p) {
    if (IPluginCLAP* self = From(p)) self->OnMainThread();
  };
}

IPluginCLAP::~IPluginCLAP() {
  // A host may destroy an instance that is still active or shows its editor.
  if (IEditorLink* editor = core_->Editor()) {
    if (gui_.IsOpen()) core_->EditorClosed();
    gui_.Close(*editor);
  }
  if (Active()) Deactivate();
  plugin_.pluginData = nullptr;
  core_->SetHostLink(nullptr);
  core_.reset();
}

IPluginCLAP* IPluginCLAP::From(const clap::Plugin* plugin) {
  if (!plugin || !plugin->pluginData) return nullptr;
  auto* self = static_cast<IPluginCLAP*>(plugin->pluginData);
  // The record is the instance's own member: anything else is not one of ours.
  return self->Record() == plugin ? self : nullptr;
}

// ---- Lifecycle ----------------------------------------------------------------------------------

bool IPluginCLAP::Init() {
  if (stage_ != Stage::Created) {
    Log(clap::kLogHostMisbehaving, "Fluvia: init called twice; the second call is refused");
    return false;
  }
  LookUpHostExtensions();
  if (host_ && host_->name) core_->SetHost(LookUpHost(host_->name), 0);
  core_->HostIdentified();
  core_->RestorePreset(0);
  stage_ = Stage::Initialised;
  return true;
}

void IPluginCLAP::LookUpHostExtensions() {
  hostExtensions_.threadCheck = HostExtension<clap::HostThreadCheck>(host_, clap::kExtThreadCheck);
  hostExtensions_.log = HostExtension<clap::HostLog>(host_, clap::kExtLog);
  hostExtensions_.params = HostExtension<clap::HostParams>(host_, clap::kExtParams);
  hostExtensions_.gui = HostExtension<clap::HostGui>(host_, clap::kExtGui);
  hostExtensions_.timers = HostExtension<clap::HostTimerSupport>(host_, clap::kExtTimerSupport);
  hostExtensions_.fds = HostExtension<clap::HostPosixFdSupport>(host_, clap::kExtPosixFdSupport);
}

bool IPluginCLAP::Activate(double sampleRate, uint32_t /*minFrames*/, uint32_t maxFrames) {
  OnMainThread("activate");
  if (stage_ == Stage::Created) {
    Log(clap::kLogHostMisbehaving, "Fluvia: activate before init is refused");
    return false;
  }
  if (Active()) {
    Log(clap::kLogHostMisbehaving, "Fluvia: activate while active is refused");
    return false;
  }
  // The engine derives all its timing from the rate; one it cannot divide by is refused.
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0 || maxFrames == 0) return false;
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  try {
    core_->SetBypassed(false);
    core_->SetSampleRate(sampleRate);
    core_->SetMaxBlockSize(int(std::min(maxFrames, kLargestBlock)));
    core_->ResetDsp();
    core_->ActivationChanged(true);
  } catch (const std::bad_alloc&) {
    return false;
  }
  hasTransport_ = false;
  stage_ = Stage::Active;
  return true;
}

void IPluginCLAP::Deactivate() {
  OnMainThread("deactivate");
  if (!Active()) return;
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  core_->ActivationChanged(false);
  stage_ = Stage::Initialised;
}

bool IPluginCLAP::StartProcessing() {
  CheckAudioThread();
  if (!Active()) return false;
  stage_ = Stage::Processing;
  return true;
}

void IPluginCLAP::StopProcessing() {
  CheckAudioThread();
  if (stage_ == Stage::Processing) stage_ = Stage::Active;
}

void IPluginCLAP::Reset() {
  CheckAudioThread();
  if (!Active()) return;
  // The reset comes on the audio thread, which may not wait for the instance mutex: when
  // another thread holds it, the next block does the reset before it renders.
  resetPending_.store(true, std::memory_order_relaxed);
  RunPendingReset();
}

void IPluginCLAP::RunPendingReset() {
  if (!resetPending_.load(std::memory_order_relaxed)) return;
  std::unique_lock<std::recursive_mutex> lock(core_->Mutex(), std::try_to_lock);
  if (!lock.owns_lock()) return;
  resetPending_.store(false, std::memory_order_relaxed);
  core_->ResetDsp();
}

const void* IPluginCLAP::Extension(const char* id) const {
  if (!id) return nullptr;
  if (std::strcmp(id, clap::kExtAudioPorts) == 0) return &kClapAudioPorts;
  if (std::strcmp(id, clap::kExtNotePorts) == 0) return &kClapNotePorts;
  if (std::strcmp(id, clap::kExtParams) == 0) return &kClapParams;
  if (std::strcmp(id, clap::kExtState) == 0) return &kClapState;
  if (std::strcmp(id, clap::kExtRender) == 0) return &kClapRender;
  if (HasEditor()) {
    if (std::strcmp(id, clap::kExtGui) == 0) return &kClapGui;
    if (GuiPlatform::UsesHostLoop()) {
      if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &kClapTimerSupport;
      if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &kClapPosixFdSupport;
    }
  }
  return nullptr;
}

// ---- Threads and the host's log -----------------------------------------------------------------

bool IPluginCLAP::OnHostMainThread() const {
  const clap::HostThreadCheck* check = hostExtensions_.threadCheck;
  return !check || !check->isMainThread || check->isMainThread(host_);
}

bool IPluginCLAP::OnMainThread(const char* call) const {
  if (OnHostMainThread()) return true;
  char message[160];
  std::snprintf(message, sizeof message, "Fluvia: %s called off the host's main thread", call);
  Log(clap::kLogHostMisbehaving, message);
  return false;
}

void IPluginCLAP::CheckAudioThread() {
  const clap::HostThreadCheck* check = hostExtensions_.threadCheck;
  if (!check || !check->isAudioThread || check->isAudioThread(host_)) return;
  // Once per instance: the audio thread must not flood the host's log.
  if (!warnedAudioThread_.exchange(true)) {
    Log(clap::kLogHostMisbehaving, "Fluvia: an audio-thread call came off the audio thread");
  }
}

void IPluginCLAP::Log(clap::LogSeverity severity, const char* message) const {
  const clap::HostLog* log = hostExtensions_.log;
  if (log && log->log) log->log(host_, severity, message);
}

bool IPluginCLAP::SetRenderMode(clap::RenderMode mode) {
  if (mode != clap::kRenderRealtime && mode != clap::kRenderOffline) return false;
  offline_.store(mode == clap::kRenderOffline, std::memory_order_relaxed);
  return true;
}

// ---- What the core asks of the host ---------------------------------------------------------------

void IPluginCLAP::QueueEdit(const ParamEdit& edit) {
  edits_.Push(edit);
  // The host answers with a flush, or with the next block, which passes the edits on too.
  const clap::HostParams* params = hostExtensions_.params;
  if (params && params->requestFlush) params->requestFlush(host_);
}

void IPluginCLAP::BeginParamEdit(int index) {
  QueueEdit({ParamEdit::Kind::Begin, index, 0.0});
}

void IPluginCLAP::ReportParamChange(int index, double /*normalised*/) {
  // The core has set the parameter already; the host speaks plain values.
  const IParameter* param = core_->GetParam(index);
  if (!param) return;
  QueueEdit({ParamEdit::Kind::Value, index, param->Value()});
}

void IPluginCLAP::EndParamEdit(int index) { QueueEdit({ParamEdit::Kind::End, index, 0.0}); }

// The transport is the audio thread's, copied from the block being processed: these answer
// its questions about that block, without a lock.
int32_t IPluginCLAP::SamplePosition() {
  if (!hasTransport_ || !(transport_.flags & clap::kTransportHasSecondsTimeline)) return 0;
  const double frames = double(transport_.songPosSeconds) / double(clap::kSecTimeFactor) *
                        core_->SampleRate();
  if (!(frames >= 0.0) || frames > 2147483647.0) return 0;
  return int32_t(frames + 0.5);
}

double IPluginCLAP::HostTempo() {
  if (!hasTransport_ || !(transport_.flags & clap::kTransportHasTempo)) return 0.0;
  return std::isfinite(transport_.tempo) && transport_.tempo > 0.0 ? transport_.tempo : 0.0;
}

void IPluginCLAP::TimeSignature(int& numerator, int& denominator) {
  numerator = 0;
  denominator = 0;
  if (!hasTransport_ || !(transport_.flags & clap::kTransportHasTimeSignature)) return;
  numerator = transport_.timeSigNumerator;
  denominator = transport_.timeSigDenominator;
}

void IPluginCLAP::FillTimeInfo(TimeInfo& info) {
  if (!hasTransport_) return;
  const clap::EventTransport& t = transport_;
  const auto beats = [](clap::BeatTime time) { return double(time) / double(clap::kBeatTimeFactor); };
  if ((t.flags & clap::kTransportHasTempo) && std::isfinite(t.tempo) && t.tempo > 0.0) {
    info.tempo = t.tempo;
  }
  if (t.flags & clap::kTransportHasSecondsTimeline) info.samplePosition = SamplePosition();
  if (t.flags & clap::kTransportHasBeatsTimeline) {
    info.ppqPosition = beats(t.songPosBeats);
    info.lastBarPosition = beats(t.barStart);
    info.cycleStart = beats(t.loopStartBeats);
    info.cycleEnd = beats(t.loopEndBeats);
  }
  if ((t.flags & clap::kTransportHasTimeSignature) && t.timeSigNumerator > 0 &&
      t.timeSigDenominator > 0) {
    info.numerator = t.timeSigNumerator;
    info.denominator = t.timeSigDenominator;
  }
  info.transportRunning = (t.flags & clap::kTransportIsPlaying) != 0;
  info.cycleActive = (t.flags & clap::kTransportIsLoopActive) != 0;
}

void IPluginCLAP::ResizeEditor(int width, int height) {
  if (!HasEditor()) return;
  // Before the editor sits in the host's window the host reads the size when it asks for it.
  if (guiParented_ && hostExtensions_.gui && hostExtensions_.gui->requestResize) {
    hostExtensions_.gui->requestResize(host_, uint32_t(std::max(width, 0)),
                                       uint32_t(std::max(height, 0)));
  }
  core_->EditorResized();
}

void IPluginCLAP::ReportPresetChange() {
  // The host reads every value again, on its main thread (the editor's, where a person loads
  // a preset); from any other thread the host is asked to call back there first.
  if (OnHostMainThread()) {
    RescanValues();
  } else {
    rescanPending_.store(true, std::memory_order_relaxed);
    if (host_ && host_->requestCallback) host_->requestCallback(host_);
  }
}

void IPluginCLAP::OnMainThread() {
  if (rescanPending_.exchange(false, std::memory_order_relaxed)) RescanValues();
}

void IPluginCLAP::RescanValues() {
  const clap::HostParams* params = hostExtensions_.params;
  if (params && params->rescan) params->rescan(host_, clap::kParamRescanValues);
}

bool IPluginCLAP::SendMidi(const MidiMessage& /*message*/) { return false; }

}  // namespace fluvia
