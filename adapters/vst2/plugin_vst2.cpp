// Construction, the effect record's entries and what the core asks of the host.

#include "adapters/vst2/plugin_vst2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "adapters/vst2/host_text.h"
#include "framework/truncate.h"

namespace fluvia {
namespace {

IPluginVST2* InstanceOf(vst2::Effect* effect) {
  return effect ? static_cast<IPluginVST2*>(effect->object) : nullptr;
}

int32_t ArrangementType(int channels) {
  switch (channels) {
    case 0: return vst2::kArrangementEmpty;
    case 1: return vst2::kArrangementMono;
    case 2: return vst2::kArrangementStereo;
    default: return vst2::kArrangementUserDefined;
  }
}

}  // namespace

IPluginVST2::IPluginVST2(std::unique_ptr<IPluginCore> core, vst2::HostCallback host)
    : core_(std::move(core)), host_(host) {
  core_->SetHostLink(this);
  core_->SetInputChannelConnections(0, core_->NumInputs(), true);
  core_->SetOutputChannelConnections(0, core_->NumOutputs(), true);
  core_->SetMaxBlockSize(1024);

  effect_.magic = vst2::kEffectMagic;
  effect_.dispatcher = &IPluginVST2::Dispatcher;
  effect_.processAccumulating = &IPluginVST2::ProcessAccumulating;
  effect_.setParameter = &IPluginVST2::SetParameter;
  effect_.getParameter = &IPluginVST2::GetParameter;
  effect_.numPrograms = std::max(core_->NumPresets(), 1);
  effect_.numParams = core_->NumParams();
  effect_.flags = vst2::kFlagCanReplacing | vst2::kFlagCanDoubleReplacing;
  if (core_->IsInstrument()) effect_.flags |= vst2::kFlagIsSynth;
  if (core_->LegalIO(1, -1)) effect_.flags |= vst2::kFlagCanMono;
  effect_.initialDelay = core_->Latency();
  effect_.ioRatio = 1.0f;
  effect_.object = this;
  effect_.uniqueId = static_cast<int32_t>(core_->UniqueId());
  // The core keeps its version packed as 0xMMMMmmpp; hosts expect major*10000+minor*100+patch.
  const int32_t version = core_->Version();
  effect_.version = (version >> 16) * 10000 + ((version >> 8) & 0xFF) * 100 + (version & 0xFF);
  effect_.processReplacing = &IPluginVST2::ProcessReplacing;
  effect_.processDoubleReplacing = &IPluginVST2::ProcessDoubleReplacing;
  UpdateChannelCounts();
  UpdateEditRect();
}

IPluginVST2::~IPluginVST2() {
  if (IEditorLink* editor = core_->Editor()) editorPlatform_.Close(*editor);
  effect_.object = nullptr;
  core_->SetHostLink(nullptr);
  core_.reset();
}

void IPluginVST2::UpdateChannelCounts() {
  effect_.numInputs = core_->NumInputs();
  effect_.numOutputs = core_->NumOutputs();
  inputArrangement_.numChannels = core_->NumInputs();
  inputArrangement_.type = ArrangementType(core_->NumInputs());
  outputArrangement_.numChannels = core_->NumOutputs();
  outputArrangement_.type = ArrangementType(core_->NumOutputs());
}

void IPluginVST2::UpdateEditRect() {
  IEditorLink* editor = core_->Editor();
  if (!editor) return;
  effect_.flags |= vst2::kFlagHasEditor;
  editRect_.top = 0;
  editRect_.left = 0;
  editRect_.bottom = static_cast<int16_t>(std::clamp(editor->Height(), 0, 32767));
  editRect_.right = static_cast<int16_t>(std::clamp(editor->Width(), 0, 32767));
}

// ---- Effect record entries --------------------------------------------------------------------

intptr_t IPluginVST2::Dispatcher(vst2::Effect* effect, int32_t opcode, int32_t index,
                                 intptr_t value, void* ptr, float option) {
  IPluginVST2* plugin = InstanceOf(effect);
  return plugin ? plugin->Dispatch(opcode, index, value, ptr, option) : 0;
}

void IPluginVST2::ProcessReplacing(vst2::Effect* effect, float** inputs, float** outputs,
                                   int32_t frames) {
  if (IPluginVST2* plugin = InstanceOf(effect)) plugin->Process(inputs, outputs, frames, false);
}

void IPluginVST2::ProcessAccumulating(vst2::Effect* effect, float** inputs, float** outputs,
                                      int32_t frames) {
  if (IPluginVST2* plugin = InstanceOf(effect)) plugin->Process(inputs, outputs, frames, true);
}

void IPluginVST2::ProcessDoubleReplacing(vst2::Effect* effect, double** inputs,
                                         double** outputs, int32_t frames) {
  if (IPluginVST2* plugin = InstanceOf(effect)) plugin->Process(inputs, outputs, frames, false);
}

void IPluginVST2::SetParameter(vst2::Effect* effect, int32_t index, float value) {
  if (IPluginVST2* plugin = InstanceOf(effect)) plugin->SetParameterValue(index, value);
}

float IPluginVST2::GetParameter(vst2::Effect* effect, int32_t index) {
  IPluginVST2* plugin = InstanceOf(effect);
  return plugin ? plugin->GetParameterValue(index) : 0.0f;
}

template <typename Sample>
void IPluginVST2::Process(Sample** inputs, Sample** outputs, int32_t frames, bool accumulate) {
  // The audio thread takes no lock: what other threads changed reaches it through the core.
  AudioThreadScope audio(*core_);
  if (core_->TakesMidi()) CallHost(vst2::kHostWantMidi, 0, 1);
  core_->AttachInputBuffers(0, core_->NumInputs(), inputs);
  core_->AttachOutputBuffers(0, core_->NumOutputs(), outputs);
  if (accumulate) {
    core_->ProcessBuffersAccumulating(frames);
  } else {
    core_->ProcessBuffers(frames);
  }
}

// Hosts call these from any thread, their audio thread included (automation between two
// process calls): neither waits. The value a host sets reaches the sound at the next block
// start, which is when the audio thread can see it.
float IPluginVST2::GetParameterValue(int index) {
  const IParameter* param = core_->GetParam(index);
  return param ? static_cast<float>(param->Normalised()) : 0.0f;
}

void IPluginVST2::SetParameterValue(int index, float value) {
  core_->SetParamWithoutWaiting(index, static_cast<double>(value));
}

// ---- What the core asks of the host -----------------------------------------------------------

intptr_t IPluginVST2::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float option) {
  return host_ ? host_(&effect_, opcode, index, value, ptr, option) : 0;
}

void IPluginVST2::BeginParamEdit(int index) { CallHost(vst2::kHostBeginEdit, index); }

void IPluginVST2::ReportParamChange(int index, double normalised) {
  CallHost(vst2::kHostAutomate, index, 0, nullptr, static_cast<float>(normalised));
}

void IPluginVST2::EndParamEdit(int index) { CallHost(vst2::kHostEndEdit, index); }

void IPluginVST2::ReportPresetChange() { CallHost(vst2::kHostUpdateDisplay); }

bool IPluginVST2::IsOfflineRendering() {
  return CallHost(vst2::kHostGetCurrentProcessLevel) == vst2::kProcessLevelOffline;
}

const vst2::TimeInfo* IPluginVST2::HostTime(int32_t filter) {
  return reinterpret_cast<const vst2::TimeInfo*>(CallHost(vst2::kHostGetTime, 0, filter));
}

int32_t IPluginVST2::SamplePosition() {
  const vst2::TimeInfo* time = HostTime(0);
  if (!time || !(time->samplePos >= 0.0)) return 0;
  return TruncateToInt(time->samplePos + 0.5);
}

double IPluginVST2::HostTempo() {
  const vst2::TimeInfo* time = HostTime(vst2::kTempoValid);
  if (!time || !(time->flags & vst2::kTempoValid) || !(time->tempo >= 0.0)) return 0.0;
  return time->tempo;
}

void IPluginVST2::TimeSignature(int& numerator, int& denominator) {
  numerator = 0;
  denominator = 0;
  const vst2::TimeInfo* time = HostTime(vst2::kTimeSigValid);
  if (!time || !(time->flags & vst2::kTimeSigValid)) return;
  if (time->timeSigNumerator < 0 || time->timeSigDenominator < 0) return;
  numerator = time->timeSigNumerator;
  denominator = time->timeSigDenominator;
}

void IPluginVST2::FillTimeInfo(TimeInfo& info) {
  constexpr int32_t kAsked = vst2::kPpqPosValid | vst2::kTempoValid | vst2::kBarsValid |
                             vst2::kCyclePosValid | vst2::kTimeSigValid;
  const vst2::TimeInfo* time = HostTime(kAsked);
  if (!time || !(time->flags & kAsked)) return;
  const int32_t flags = time->flags;
  info.samplePosition = time->samplePos;
  if ((flags & vst2::kPpqPosValid) && time->ppqPos >= 0.0) info.ppqPosition = time->ppqPos;
  if ((flags & vst2::kTempoValid) && time->tempo > 0.0) info.tempo = time->tempo;
  if ((flags & vst2::kBarsValid) && time->barStartPos >= 0.0) {
    info.lastBarPosition = time->barStartPos;
  }
  if ((flags & vst2::kCyclePosValid) && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
    info.cycleStart = time->cycleStartPos;
    info.cycleEnd = time->cycleEndPos;
  }
  if ((flags & vst2::kTimeSigValid) && time->timeSigNumerator > 0 &&
      time->timeSigDenominator > 0) {
    info.numerator = time->timeSigNumerator;
    info.denominator = time->timeSigDenominator;
  }
  info.transportRunning = (flags & vst2::kTransportPlaying) != 0;
  info.cycleActive = (flags & vst2::kTransportCycleActive) != 0;
}

void IPluginVST2::ResizeEditor(int width, int height) {
  if (!core_->Editor()) return;
  UpdateEditRect();
  // Hosts that cannot resize answer 0; they read the new rectangle when they next open the
  // editor.
  CallHost(vst2::kHostSizeWindow, width, height);
  core_->EditorResized();
}

bool IPluginVST2::SendMidi(const MidiMessage& message) {
  vst2::MidiEvent event{};
  event.type = vst2::kEventMidi;
  event.byteSize = sizeof(vst2::MidiEvent);
  event.deltaFrames = message.offset;
  event.midiData[0] = static_cast<char>(message.status);
  event.midiData[1] = static_cast<char>(message.data1);
  event.midiData[2] = static_cast<char>(message.data2);
  vst2::EventList list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<vst2::Event*>(&event);
  return CallHost(vst2::kHostProcessEvents, 0, 0, &list) == 1;
}

bool IPluginVST2::SendSysEx(const SysExMessage& message) {
  vst2::SysExEvent event{};
  event.type = vst2::kEventSysEx;
  event.byteSize = sizeof(vst2::SysExEvent);
  event.deltaFrames = message.offset;
  event.dumpBytes = message.size;
  // The host only reads the dump; the interface declares it without const.
  event.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(message.data));
  vst2::EventList list{};
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<vst2::Event*>(&event);
  return CallHost(vst2::kHostProcessEvents, 0, 0, &list) == 1;
}

void IPluginVST2::LatencyChanged(int frames) { effect_.initialDelay = frames; }

bool IPluginVST2::QueryHostIdentity(std::string& name, int32_t& version) {
  if (!host_) return false;
  char product[vst2::kHostProductBytes] = {};
  CallHost(vst2::kHostGetProductString, 0, 0, product);
  product[sizeof(product) - 1] = '\0';
  name = product;
  version = static_cast<int32_t>(CallHost(vst2::kHostGetVendorVersion));
  return true;
}

}  // namespace fluvia
