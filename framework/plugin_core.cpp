#include "framework/plugin_core.h"

#include "framework/deferred_worker.h"
#include "framework/host_lookup.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace fluvia {
namespace {

// Four samples per iteration, then the tail.
template <typename From, typename To>
void Convert(const From* from, To* to, int frames) {
  int i = 0;
  for (; i + 4 <= frames; i += 4) {
    to[i] = static_cast<To>(from[i]);
    to[i + 1] = static_cast<To>(from[i + 1]);
    to[i + 2] = static_cast<To>(from[i + 2]);
    to[i + 3] = static_cast<To>(from[i + 3]);
  }
  for (; i < frames; ++i) to[i] = static_cast<To>(from[i]);
}

void Accumulate(const double* from, float* to, int frames) {
  for (int i = 0; i < frames; ++i) to[i] += static_cast<float>(from[i]);
}

// The k-th host array goes to the k-th connected channel of [first, first + count); the
// channel then reads or writes that array (32- or 64-bit) instead of its scratch buffer.
template <typename Channel, typename Sample>
void AttachHostArrays(std::vector<Channel>& channels, int first, int count,
                      Sample* const* data) {
  const int end = int(std::min<int64_t>(int64_t(first) + count, int64_t(channels.size())));
  int k = 0;
  for (int c = std::max(first, 0); c < end; ++c) {
    Channel& channel = channels[size_t(c)];
    if (!channel.connected) continue;
    Sample* array = data ? data[k] : nullptr;
    if constexpr (std::is_same_v<std::remove_const_t<Sample>, float>) {
      channel.hostFloat = array;
      channel.hostDouble = nullptr;
    } else {
      channel.hostDouble = array;
      channel.hostFloat = nullptr;
    }
    ++k;
  }
}

}  // namespace

IPluginCore::IPluginCore(const PluginConfig& config)
    : effectName_(config.effectName ? config.effectName : ""),
      productName_(config.productName ? config.productName : ""),
      manufacturerName_(config.manufacturerName ? config.manufacturerName : ""),
      uniqueId_(config.uniqueId),
      manufacturerId_(config.manufacturerId),
      version_(config.version),
      api_(config.api),
      stateChunks_(config.stateChunks),
      instrument_(config.instrument),
      midiInput_(config.midiInput),
      latency_(config.latency),
      handOver_(config.numParams) {
  for (int i = 0; i < config.numParams; ++i) {
    params_.push_back(std::make_unique<IParameter>());
    paramListOrder_.push_back(i);
  }
  for (int i = 0; i < config.numPresets; ++i) presets_.push_back(std::make_unique<PluginPreset>());

  ParseChannelConfigurations(config.channelIO);
  int maxIn = 0, maxOut = 0;
  for (const ChannelIOPair& pair : channelIO_) {
    maxIn = std::max(maxIn, pair.inputs);
    maxOut = std::max(maxOut, pair.outputs);
  }
  inputPointers_.assign(size_t(maxIn), nullptr);
  outputPointers_.assign(size_t(maxOut), nullptr);
  segmentInputs_.assign(size_t(maxIn), nullptr);
  segmentOutputs_.assign(size_t(maxOut), nullptr);
  inputs_.resize(size_t(maxIn));
  outputs_.resize(size_t(maxOut));
  DeferredWorker::Register(this);
  onWorkerList_ = true;
}

IPluginCore::~IPluginCore() {
  EndDeferredWork();
  // The editor goes first: its controls may still refer to the parameters.
  editor_.reset();
}

void IPluginCore::EndDeferredWork() {
  if (!onWorkerList_) return;
  DeferredWorker::Unregister(this);
  onWorkerList_ = false;
}

bool IPluginCore::DeferToWorker(const DeferredCommand& command) {
  if (!OnAudioThread() || !IsOfflineRendering()) return deferred_.Push(command);
  // Offline: this thread does the worker's work itself, as the worker would (so it is not the
  // audio thread meanwhile): what waits goes first, then this command. Then, as the audio
  // thread again, it takes the changes over now, at this frame.
  const ThreadToken audio = audioThread_.exchange(kNoThread, std::memory_order_relaxed);
  if (!deferred_.Push(command)) {
    FinishDeferredWork();
    deferred_.Push(command);
  }
  FinishDeferredWork();
  audioThread_.store(audio, std::memory_order_relaxed);
  TakeHandedOverChanges();
  return true;
}

void IPluginCore::FinishDeferredWork() {
  // Taken first: work the worker is carrying out right now ends before this returns, so the
  // caller always sees the result of every command handed on before the call.
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (deferred_.Empty()) return;
  // The commands waiting now arrive at the audio thread together.
  WholeChangeScope whole(*this);
  DeferredCommand command;
  while (deferred_.Pop(command)) RunDeferred(command);
}

void IPluginCore::RunDeferred(const DeferredCommand& command) {
  switch (command.kind) {
    case DeferredCommand::Kind::ParamCommand: {
      if (!GetParam(command.index)) return;
      ChangeSourceScope source(*this, ParamChangeSource::Host);
      DeferredParamChanged(command.index, command.value);
      return;
    }
    case DeferredCommand::Kind::RestorePreset:
      RestorePresetNow(command.index);
      return;
  }
}

void IPluginCore::ParseChannelConfigurations(const char* text) {
  // Pairs such as "1-1 2-2", separated by single spaces; an unreadable pair counts as 0-0.
  const char* p = text ? text : "";
  while (true) {
    ChannelIOPair pair;
    if (std::sscanf(p, "%d-%d", &pair.inputs, &pair.outputs) != 2) pair = ChannelIOPair{};
    pair.inputs = std::max(pair.inputs, 0);
    pair.outputs = std::max(pair.outputs, 0);
    channelIO_.push_back(pair);
    p = std::strchr(p, ' ');
    if (!p) break;
    ++p;
  }
}

bool IPluginCore::LegalIO(int inputs, int outputs) const {
  for (const ChannelIOPair& pair : channelIO_) {
    if ((inputs < 0 || inputs == pair.inputs) && (outputs < 0 || outputs == pair.outputs)) {
      return true;
    }
  }
  return false;
}

IParameter* IPluginCore::GetParam(int index) {
  return (index >= 0 && index < NumParams()) ? params_[size_t(index)].get() : nullptr;
}

const IParameter* IPluginCore::GetParam(int index) const {
  return (index >= 0 && index < NumParams()) ? params_[size_t(index)].get() : nullptr;
}

const PluginPreset* IPluginCore::Preset(int index) const {
  return (index >= 0 && index < NumPresets()) ? presets_[size_t(index)].get() : nullptr;
}

// ---- Default operations -----------------------------------------------------------------------

void IPluginCore::ResetDsp() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ClearHandedOverChanges();
}

void IPluginCore::ParamChanged(int index) {
  if (!OnAudioThread()) HandOverParam(index);
}

void IPluginCore::ActivationChanged(bool /*active*/) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
}

void IPluginCore::ProcessDouble(double** inputs, double** outputs, int frames) {
  for (int c = 0; c < NumOutputs(); ++c) {
    if (!outputs[c]) continue;
    if (c < NumInputs() && inputs[c]) {
      if (inputs[c] != outputs[c]) std::memmove(outputs[c], inputs[c], sizeof(double) * size_t(frames));
    } else {
      std::fill(outputs[c], outputs[c] + frames, 0.0);
    }
  }
}

void IPluginCore::ProcessFloat(float** inputs, float** outputs, int frames) {
  for (int c = 0; c < NumOutputs(); ++c) {
    if (!outputs[c]) continue;
    if (c < NumInputs() && inputs[c]) {
      if (inputs[c] != outputs[c]) std::memmove(outputs[c], inputs[c], sizeof(float) * size_t(frames));
    } else {
      std::fill(outputs[c], outputs[c] + frames, 0.0f);
    }
  }
}

void IPluginCore::ProcessMidi(const MidiMessage& message) { SendMidi(message); }

bool IPluginCore::NoteNameFor(int /*note*/, char* text) {
  if (text) text[0] = '\0';
  return false;
}

bool IPluginCore::SaveState(StateChunk& chunk) { return SerializeParams(chunk); }

int IPluginCore::LoadState(const StateChunk& chunk, int position) {
  return UnserializeParams(chunk, position);
}

bool IPluginCore::StateMatches(const double* values, int startIndex) const {
  for (int i = 0; i < NumParams(); ++i) {
    const double difference = params_[size_t(i)]->Value() - values[startIndex + i];
    if (!(difference < 0.00001 && difference > -0.00001)) return false;
  }
  return true;
}

void IPluginCore::ShowHostParamMenu(int index, int x, int y) {
  if (host_) host_->ShowHostParamMenu(index, x, y);
}

void IPluginCore::SetParamWithoutWaiting(int index, double normalised) {
  IParameter* param = GetParam(index);
  if (!param) return;
  param->SetFromNormalised(normalised);
  const double value = param->Value();
  if (editor_) editor_->PostParameterFromPlug(index, param->Normalised());
  if (OnAudioThread()) {
    ParamChanged(index);
    return;
  }
  if (!ParamChangeNeedsWorker(index, value)) {
    HandOverParam(index);
  } else if (IsOfflineRendering()) {
    // No deadline: the command is carried out here and now, as any change from the host.
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ChangeSourceScope source(*this, ParamChangeSource::Host);
    ParamChanged(index);
  } else {
    HandOverParam(index);
    DeferToWorker({DeferredCommand::Kind::ParamCommand, index, value});
  }
}

void IPluginCore::SetParamFromEditor(int index, double normalised) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  IParameter* param = GetParam(index);
  if (!param) return;
  param->SetFromNormalised(normalised);
  ReportParamChange(index, normalised);
  ChangeSourceScope source(*this, ParamChangeSource::Editor);
  ParamChanged(index);
}

namespace {

bool ShownToHost(const IParameter* param) { return !param || !param->Hidden(); }

}  // namespace

void IPluginCore::BeginParamEdit(int index) {
  if (host_ && ShownToHost(GetParam(index))) host_->BeginParamEdit(index);
}

void IPluginCore::ReportParamChange(int index, double normalised) {
  if (host_ && ShownToHost(GetParam(index))) host_->ReportParamChange(index, normalised);
}

void IPluginCore::EndParamEdit(int index) {
  if (host_ && ShownToHost(GetParam(index))) host_->EndParamEdit(index);
}

void IPluginCore::SetParamListOrder(const std::vector<int>& order) {
  if (order.size() != params_.size()) return;
  std::vector<bool> seen(params_.size(), false);
  for (int index : order) {
    if (index < 0 || index >= NumParams() || seen[size_t(index)]) return;
    seen[size_t(index)] = true;
  }
  paramListOrder_ = order;
}

void IPluginCore::ReportPresetChange() {
  if (host_) host_->ReportPresetChange();
}

bool IPluginCore::IsOfflineRendering() { return host_ ? host_->IsOfflineRendering() : true; }

int32_t IPluginCore::SamplePosition() { return host_ ? host_->SamplePosition() : 0; }

// Without a host (the command-line renderer, tests) the tempo is the common default of 120.
double IPluginCore::HostTempo() { return host_ ? host_->HostTempo() : 120.0; }

void IPluginCore::TimeSignature(int& numerator, int& denominator) {
  if (host_) {
    host_->TimeSignature(numerator, denominator);
  } else {
    numerator = 4;
    denominator = 4;
  }
}

void IPluginCore::FillTimeInfo(TimeInfo& info) {
  if (host_) host_->FillTimeInfo(info);
}

HostKind IPluginCore::HostKindOf() {
  if (hostKind_ == kHostNotIdentified && host_) {
    std::string name;
    int32_t version = 0;
    if (host_->QueryHostIdentity(name, version)) {
      hostKind_ = LookUpHost(name.c_str());
      hostVersion_ = name.empty() ? 0 : PackVst2HostVersion(version);
    }
  }
  return hostKind_;
}

void IPluginCore::SetHost(HostKind kind, int32_t version) {
  hostKind_ = kind;
  hostVersion_ = version;
}

void IPluginCore::ResizeEditor(int width, int height) {
  if (host_) host_->ResizeEditor(width, height);
}

void IPluginCore::AttachEditor(std::unique_ptr<IEditorLink> editor) {
  if (!editor) return;
  // The editor takes its own lock here; doing it before the instance mutex keeps one lock
  // order everywhere (editor, then instance, as a knob drag takes them).
  editor->PrepareDrawing();
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (int i = 0; i < NumParams(); ++i) {
    editor->SetParameterFromPlug(i, params_[size_t(i)]->Normalised(), true);
  }
  editor_ = std::move(editor);
}

void IPluginCore::ChangeLatency(int frames) {
  latency_ = frames;
  if (latencyDelay_) latencyDelay_->SetDelay(frames);
  if (host_) host_->LatencyChanged(frames);
}

bool IPluginCore::SendMidi(const MidiMessage& message) {
  return host_ ? host_->SendMidi(message) : false;
}

bool IPluginCore::SendSysEx(const SysExMessage& message) {
  return host_ ? host_->SendSysEx(message) : false;
}

void IPluginCore::RefreshEditorParams() {
  if (!editor_) return;
  for (int i = 0; i < NumParams(); ++i) {
    editor_->SetParameterFromPlug(i, params_[size_t(i)]->Value(), false);
  }
}

void IPluginCore::SetMaxBlockSize(int frames) {
  frames = std::max(frames, 0);
  if (frames == blockSize_) return;
  for (InputChannel& channel : inputs_) channel.scratch.assign(size_t(frames), 0.0);
  for (OutputChannel& channel : outputs_) channel.scratch.assign(size_t(frames), 0.0);
  blockSize_ = frames;
}

// ---- Channels and buffers ---------------------------------------------------------------------

bool IPluginCore::InputConnected(int channel) const {
  return channel >= 0 && channel < NumInputs() && inputs_[size_t(channel)].connected;
}

bool IPluginCore::OutputConnected(int channel) const {
  return channel >= 0 && channel < NumOutputs() && outputs_[size_t(channel)].connected;
}

void IPluginCore::SetInputChannelConnections(int first, int count, bool connected) {
  for (int c = std::max(first, 0); c < std::min(first + count, NumInputs()); ++c) {
    InputChannel& channel = inputs_[size_t(c)];
    // A channel that stops receiving host data must not replay its last block.
    if (channel.connected && !connected) std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
    channel.connected = connected;
  }
}

void IPluginCore::SetOutputChannelConnections(int first, int count, bool connected) {
  for (int c = std::max(first, 0); c < std::min(first + count, NumOutputs()); ++c) {
    outputs_[size_t(c)].connected = connected;
  }
}

void IPluginCore::AttachInputBuffers(int first, int count, const float* const* data) {
  AttachHostArrays(inputs_, first, count, data);
}

void IPluginCore::AttachInputBuffers(int first, int count, const double* const* data) {
  AttachHostArrays(inputs_, first, count, data);
}

void IPluginCore::AttachOutputBuffers(int first, int count, float* const* data) {
  AttachHostArrays(outputs_, first, count, data);
}

void IPluginCore::AttachOutputBuffers(int first, int count, double* const* data) {
  AttachHostArrays(outputs_, first, count, data);
}

void IPluginCore::ProcessBuffers(int frames) {
  RunBlocks(frames, Processor::Plugin, FloatOutput::Replace);
}

void IPluginCore::ProcessBuffersAccumulating(int frames) {
  RunBlocks(frames, Processor::Plugin, FloatOutput::Accumulate);
}

void IPluginCore::PassThroughBuffers(int frames) {
  RunBlocks(frames, Processor::PassThrough, FloatOutput::Replace);
}

void IPluginCore::ZeroScratchBuffers() {
  for (InputChannel& channel : inputs_) std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
  for (OutputChannel& channel : outputs_) std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
}

void IPluginCore::CreateLatencyDelayLine() {
  latencyDelay_ = std::make_unique<LatencyDelayLine>(NumInputs(), NumOutputs());
  latencyDelay_->SetDelay(latency_);
}

void IPluginCore::SilenceHostOutputs(int frames, FloatOutput floatOutput) {
  for (OutputChannel& channel : outputs_) {
    if (!channel.connected) continue;
    if (channel.hostDouble) std::fill(channel.hostDouble, channel.hostDouble + frames, 0.0);
    if (channel.hostFloat && floatOutput == FloatOutput::Replace) {
      std::fill(channel.hostFloat, channel.hostFloat + frames, 0.0f);
    }
  }
}

void IPluginCore::ForgetHostBuffers() {
  for (InputChannel& channel : inputs_) channel.hostFloat = nullptr, channel.hostDouble = nullptr;
  for (OutputChannel& channel : outputs_) channel.hostFloat = nullptr, channel.hostDouble = nullptr;
}

void IPluginCore::AddParamPoint(int index, double normalised, int offset) {
  if (!GetParam(index)) return;
  paramPoints_.Add({offset, index, normalised});
}

void IPluginCore::ApplyParamPointsThrough(int frame) {
  if (paramPoints_.Empty() || paramPoints_.Front().offset > frame) return;
  AudioWriteScope writes(*this);
  while (!paramPoints_.Empty() && paramPoints_.Front().offset <= frame) {
    const ParamPoint point = paramPoints_.Front();
    paramPoints_.Remove();
    IParameter* param = GetParam(point.index);
    param->SetFromNormalised(point.normalised);
    // The editor gets the value the parameter took, which is the host's for any value in
    // range and stays sane for the out-of-range and NaN values a faulty host might send.
    if (editor_) editor_->PostParameterFromPlug(point.index, param->Normalised());
    ParamChanged(point.index);
  }
}

void IPluginCore::TakeHandedOverChanges() {
  if (!handOver_.Take(params_)) return;
  AudioWriteScope writes(*this);
  ChangesHandedOver(handOver_.LastTaken());
}

void IPluginCore::RenderSegments(int frames) {
  int position = 0;
  while (position < frames) {
    ApplyParamPointsThrough(position);
    int end = paramPoints_.NextOffsetAfter(position, frames);
    end = std::min(end, position + std::max(NextEventFrame(frames - position), 1));
    for (size_t c = 0; c < inputPointers_.size(); ++c) segmentInputs_[c] = inputPointers_[c] + position;
    for (size_t c = 0; c < outputPointers_.size(); ++c) segmentOutputs_[c] = outputPointers_[c] + position;
    ProcessDouble(segmentInputs_.data(), segmentOutputs_.data(), end - position);
    position = end;
  }
}

void IPluginCore::RunBlocks(int frames, Processor processor, FloatOutput floatOutput) {
  AudioThreadScope audio(*this);
  TakeHandedOverChanges();
  // The scratch buffers hold one announced block; longer host blocks run in pieces.
  const int piece = blockSize_;
  if (frames <= 0 || piece <= 0) {
    // Nothing is rendered, but what the host changed still takes effect.
    ApplyParamPointsThrough(INT32_MAX);
    if (frames > 0) SilenceHostOutputs(frames, floatOutput);
    ForgetHostBuffers();
    return;
  }
  ProcessCallStarting();
  for (int done = 0; done < frames; done += piece) {
    const int n = std::min(piece, frames - done);
    for (size_t c = 0; c < inputs_.size(); ++c) {
      InputChannel& channel = inputs_[c];
      double* scratch = channel.scratch.data();
      if (channel.connected && channel.hostDouble) {
        inputPointers_[c] = const_cast<double*>(channel.hostDouble) + done;
      } else {
        if (channel.connected && channel.hostFloat) Convert(channel.hostFloat + done, scratch, n);
        inputPointers_[c] = scratch;
      }
    }
    for (size_t c = 0; c < outputs_.size(); ++c) {
      OutputChannel& channel = outputs_[c];
      outputPointers_[c] = (channel.connected && channel.hostDouble) ? channel.hostDouble + done
                                                                     : channel.scratch.data();
    }

    if (processor == Processor::Plugin) {
      RenderSegments(n);
    } else {
      ApplyParamPointsThrough(n - 1);
      if (latency_ != 0 && latencyDelay_) {
        latencyDelay_->Process(inputPointers_.data(), outputPointers_.data(), n);
      } else {
        IPluginCore::ProcessDouble(inputPointers_.data(), outputPointers_.data(), n);
      }
    }
    paramPoints_.Flush(n);

    for (OutputChannel& channel : outputs_) {
      if (!channel.connected || !channel.hostFloat) continue;
      if (floatOutput == FloatOutput::Accumulate) {
        Accumulate(channel.scratch.data(), channel.hostFloat + done, n);
      } else {
        Convert(channel.scratch.data(), channel.hostFloat + done, n);
      }
    }
  }
  // Points beyond the block were the host's to keep inside it; they act now, before the
  // next block, rather than never.
  ApplyParamPointsThrough(INT32_MAX);
  ForgetHostBuffers();
}

}  // namespace fluvia
