#include "adapters/lv2/plugin_lv2.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "adapters/lv2/lv2_uris.h"
#include "lv2/atom/atom.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/options/options.h"

namespace fluvia {
namespace {

// Hosts may announce absurd block lengths; the scratch buffers stay at this many frames and
// longer blocks are rendered in pieces.
constexpr int kMaxBlockCap = 65536;
// A feature or option list without its terminator is not read past this many entries.
constexpr int kMaxListEntries = 1024;

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (int i = 0; i < kMaxListEntries && features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  }
  return nullptr;
}

// An atom:Int option of the instance, or 0 when the host gives none (or a damaged one).
int32_t IntOption(const LV2_Options_Option* options, const LV2_URID_Map& map, const char* key) {
  if (!options) return 0;
  const LV2_URID keyUrid = map.map(map.handle, key);
  const LV2_URID intUrid = map.map(map.handle, LV2_ATOM__Int);
  for (int i = 0; i < kMaxListEntries && (options[i].key != 0 || options[i].value); ++i) {
    const LV2_Options_Option& o = options[i];
    if (o.key == keyUrid && o.type == intUrid && o.size == sizeof(int32_t) && o.value &&
        o.context == LV2_OPTIONS_INSTANCE) {
      int32_t value = 0;
      std::memcpy(&value, o.value, sizeof value);
      return value;
    }
  }
  return 0;
}

bool Near(float a, float b, const Lv2ControlPort& port) {
  return std::fabs(a - b) <= 1e-5f * std::max(port.maximum - port.minimum, 1.0f);
}

}  // namespace

// Hands the sequence's MIDI to the core and its positions to the transport.
class IPluginLV2::EventSink final : public Lv2EventSink {
 public:
  explicit EventSink(IPluginLV2& plugin) : plugin_(plugin) {}
  void Midi(const MidiMessage& message) override { plugin_.core_->ProcessMidi(message); }
  void Position(int frame, const Lv2TimePosition& position) override {
    plugin_.transport_.Apply(position);
    positionFrame = frame;
  }
  int positionFrame = 0;

 private:
  IPluginLV2& plugin_;
};

bool IPluginLV2::ReadHostFacts(double sampleRate, const LV2_Feature* const* features,
                               HostFacts& facts, std::string& error) {
  const auto* map = static_cast<const LV2_URID_Map*>(FindFeature(features, LV2_URID__map));
  if (!map || !map->map) {
    error = "the host does not offer the urid:map feature, which Fluvia requires";
    return false;
  }
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0) {
    error = "the host gave no usable sample rate";
    return false;
  }
  facts.map = map;
  facts.sampleRate = sampleRate;
  const auto* options =
      static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options));
  const int32_t maxBlock = IntOption(options, *map, LV2_BUF_SIZE__maxBlockLength);
  facts.maxBlock = maxBlock > 0 ? std::min(int(maxBlock), kMaxBlockCap) : kDefaultMaxBlock;
  const int32_t sequenceSize = IntOption(options, *map, LV2_BUF_SIZE__sequenceSize);
  facts.sequenceCapacity = sequenceSize >= int32_t(sizeof(LV2_Atom_Sequence))
                               ? uint32_t(sequenceSize)
                               : kLv2EventBufferBytes;
  return true;
}

IPluginLV2::IPluginLV2(std::unique_ptr<IPluginCore> core, const HostFacts& facts)
    : core_(std::move(core)),
      urids_(Lv2EventUrids::Map(*facts.map)),
      atomChunk_(facts.map->map(facts.map->handle, LV2_ATOM__Chunk)),
      stateKey_(facts.map->map(facts.map->handle, kLv2StateKeyUri)),
      sequenceCapacity_(facts.sequenceCapacity) {
  core_->SetHostLink(this);
  core_->SetSampleRate(facts.sampleRate);
  // An instrument: no audio inputs reach it in LV2, its inputs read silence.
  core_->SetInputChannelConnections(0, core_->NumInputs(), false);
  core_->SetOutputChannelConnections(0, core_->NumOutputs(), true);
  controlPorts_ = Lv2ControlPorts(*core_);
  portOfParam_.assign(size_t(core_->NumParams()), -1);
  for (size_t k = 0; k < controlPorts_.size(); ++k) {
    portOfParam_[size_t(controlPorts_[k].param)] = int(k);
    lastControl_.push_back(controlPorts_[k].defaultValue);
  }
  controls_.assign(controlPorts_.size(), nullptr);
  echoes_ = std::make_unique<EditorEcho[]>(controlPorts_.size());
  echoWaits_.assign(controlPorts_.size(), EchoWait{});
  core_->SetMaxBlockSize(facts.maxBlock);
  // LV2 does not tell a plug-in who its host is.
  core_->SetHost(kHostUnknown, 0);
  core_->HostIdentified();
  core_->RestorePreset(0);
  core_->ResetDsp();
}

IPluginLV2::~IPluginLV2() {
  if (editor_) editor_->PluginGone();
  core_->SetHostLink(nullptr);
  magic_ = 0;
}

const Lv2ControlPort* IPluginLV2::PortOfParam(int param) const {
  if (param < 0 || param >= int(portOfParam_.size()) || portOfParam_[size_t(param)] < 0) {
    return nullptr;
  }
  return &controlPorts_[size_t(portOfParam_[size_t(param)])];
}

// ---- Processing -------------------------------------------------------------------------------

void IPluginLV2::ConnectPort(uint32_t port, void* data) {
  if (port == kLv2EventsPort) {
    events_ = data;
  } else if (port == kLv2OutLeftPort || port == kLv2OutRightPort) {
    outputs_[port - kLv2OutLeftPort] = static_cast<float*>(data);
  } else if (port >= kLv2FirstControlPort && port - kLv2FirstControlPort < controls_.size()) {
    controls_[port - kLv2FirstControlPort] = static_cast<const float*>(data);
  }
}

void IPluginLV2::Activate() {
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  core_->ActivationChanged(true);
  core_->ResetDsp();
}

void IPluginLV2::Deactivate() { core_->ActivationChanged(false); }

void IPluginLV2::ApplyControlPorts() {
  for (size_t k = 0; k < controlPorts_.size(); ++k) {
    EchoWait& wait = echoWaits_[k];
    const uint32_t sequence = echoes_[k].sequence.load(std::memory_order_acquire);
    if (sequence != wait.seen) {
      wait.seen = sequence;
      wait.waiting = true;
      wait.framesLeft = int64_t(core_->SampleRate());
    }
    const float* buffer = controls_[k];
    if (!buffer) continue;
    const float value = *buffer;
    if (!std::isfinite(value) || value == lastControl_[k]) continue;  // no news (or no number)
    lastControl_[k] = value;
    const Lv2ControlPort& port = controlPorts_[k];
    if (wait.waiting) {
      // The editor's own values coming back; the last of them ends the wait.
      if (Near(value, echoes_[k].value.load(std::memory_order_relaxed), port)) wait.waiting = false;
      continue;
    }
    IParameter* param = core_->GetParam(port.param);
    // The host playing back what the parameter already holds changes nothing.
    if (value == static_cast<float>(param->Value())) continue;
    core_->AddParamPoint(port.param, param->ToNormalised(double(value)), 0);
  }
}

void IPluginLV2::Run(uint32_t frames) {
  const uint32_t n = std::min<uint32_t>(frames, uint32_t(INT_MAX));
  // The audio thread takes no lock: what other threads changed reaches it through the core.
  AudioThreadScope audio(*core_);
  EventSink sink(*this);
  ReadLv2Events(events_, sequenceCapacity_, urids_, int(n), sink);
  ApplyControlPorts();
  core_->AttachOutputBuffers(0, 2, outputs_);
  if (core_->IsBypassed()) {
    core_->PassThroughBuffers(int(n));
  } else {
    core_->ProcessBuffers(int(n));
  }
  transport_.Advance(int(n) - sink.positionFrame, core_->SampleRate());
  for (EchoWait& wait : echoWaits_) {
    if (wait.waiting && (wait.framesLeft -= int64_t(n)) <= 0) wait.waiting = false;
  }
}

// ---- Extension data ---------------------------------------------------------------------------

namespace {

LV2_State_Status SaveState(LV2_Handle instance, LV2_State_Store_Function store,
                           LV2_State_Handle handle, uint32_t flags,
                           const LV2_Feature* const* features) {
  return static_cast<IPluginLV2*>(instance)->Save(store, handle, flags, features);
}

LV2_State_Status RestoreState(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                              LV2_State_Handle handle, uint32_t flags,
                              const LV2_Feature* const* features) {
  return static_cast<IPluginLV2*>(instance)->Restore(retrieve, handle, flags, features);
}

const LV2_State_Interface kStateInterface = {SaveState, RestoreState};

}  // namespace

const void* IPluginLV2::ExtensionData(const char* uri) {
  if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &kStateInterface;
  return nullptr;
}

// ---- The editor -------------------------------------------------------------------------------

bool IPluginLV2::AttachEditor(Lv2EditorLink* link) {
  if (editor_ && editor_ != link) return false;
  editor_ = link;
  return true;
}

void IPluginLV2::DetachEditor(Lv2EditorLink* link) {
  if (editor_ == link) editor_ = nullptr;
}

// ---- What the core asks of the host -------------------------------------------------------------

void IPluginLV2::BeginParamEdit(int index) {
  const Lv2ControlPort* port = PortOfParam(index);
  if (editor_ && port) editor_->BeginEdit(port->index);
}

void IPluginLV2::ReportParamChange(int index, double) {
  const Lv2ControlPort* port = PortOfParam(index);
  if (!port) return;
  const float value = static_cast<float>(core_->GetParam(index)->Value());
  EditorEcho& echo = echoes_[size_t(port->index - kLv2FirstControlPort)];
  // Before the host hears of it, so that Run knows the echo when it comes.
  echo.value.store(value, std::memory_order_relaxed);
  echo.sequence.fetch_add(1, std::memory_order_release);
  if (editor_) editor_->Edited(port->index, value);
}

void IPluginLV2::EndParamEdit(int index) {
  const Lv2ControlPort* port = PortOfParam(index);
  if (editor_ && port) editor_->EndEdit(port->index);
}

// The transport is the audio thread's: these answer its questions about the block.
int32_t IPluginLV2::SamplePosition() {
  const double frame = transport_.Frame();
  return frame >= double(INT32_MIN) && frame <= double(INT32_MAX) ? int32_t(frame) : 0;
}

double IPluginLV2::HostTempo() {
  return transport_.Tempo();
}

void IPluginLV2::TimeSignature(int& numerator, int& denominator) {
  numerator = transport_.Numerator();
  denominator = transport_.Denominator();
}

void IPluginLV2::FillTimeInfo(TimeInfo& info) {
  transport_.Fill(info);
}

void IPluginLV2::ResizeEditor(int width, int height) {
  if (editor_) editor_->RequestSize(width, height);
}

}  // namespace fluvia
