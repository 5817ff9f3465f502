#include "tools/claphost/clap_instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fluvia::claphost {

std::unique_ptr<ClapInstance> ClapInstance::Create(const ClapModule& module, ClapHost& host,
                                                   std::string& error) {
  const clap::PluginDescriptor* descriptor = module.Descriptor();
  if (!descriptor || !descriptor->id) {
    error = "the factory has no plug-in";
    return nullptr;
  }
  std::unique_ptr<ClapInstance> instance(new ClapInstance);
  instance->host_ = &host;
  instance->plugin_ =
      module.Factory()->createPlugin(module.Factory(), host.Record(), descriptor->id);
  if (!instance->plugin_) {
    error = "create_plugin returned no plug-in";
    return nullptr;
  }
  host.SetPlugin(instance->plugin_);
  if (!instance->plugin_->init(instance->plugin_)) {
    instance->plugin_->destroy(instance->plugin_);
    instance->plugin_ = nullptr;
    error = "the plug-in refused init";
    return nullptr;
  }
  return instance;
}

ClapInstance::~ClapInstance() {
  if (!plugin_) return;
  Stop();
  plugin_->destroy(plugin_);
  if (host_) host_->SetPlugin(nullptr);
}

bool ClapInstance::Start(double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
  Stop();
  if (!plugin_->activate(plugin_, sampleRate, minFrames, maxFrames)) return false;
  {
    ClapHost::AudioThreadScope audio;
    if (!plugin_->startProcessing(plugin_)) {
      plugin_->deactivate(plugin_);
      return false;
    }
  }
  started_ = true;
  sampleRate_ = sampleRate;
  transport_ = clap::EventTransport{};
  transport_.header = {sizeof(transport_), 0, clap::kCoreEventSpace, clap::kEventTransport, 0};
  transport_.flags = clap::kTransportHasTempo | clap::kTransportHasBeatsTimeline |
                     clap::kTransportHasSecondsTimeline | clap::kTransportHasTimeSignature |
                     clap::kTransportIsPlaying;
  transport_.tempo = 120.0;
  transport_.timeSigNumerator = 4;
  transport_.timeSigDenominator = 4;
  steadyTime_ = 0;
  return true;
}

void ClapInstance::Stop() {
  if (!started_) return;
  {
    ClapHost::AudioThreadScope audio;
    plugin_->stopProcessing(plugin_);
  }
  plugin_->deactivate(plugin_);
  started_ = false;
}

clap::ProcessStatus ClapInstance::Process(float* left, float* right, uint32_t frames) {
  return ProcessBlock(left, right, frames);
}

clap::ProcessStatus ClapInstance::Process(double* left, double* right, uint32_t frames) {
  return ProcessBlock(left, right, frames);
}

template <typename Sample>
clap::ProcessStatus ClapInstance::ProcessBlock(Sample* left, Sample* right, uint32_t frames) {
  Sample* channels[2] = {left, right};
  clap::AudioBuffer output{};
  if constexpr (sizeof(Sample) == sizeof(double)) {
    output.data64 = reinterpret_cast<double**>(channels);
  } else {
    output.data32 = reinterpret_cast<float**>(channels);
  }
  output.channelCount = 2;
  clap::Process process{};
  process.steadyTime = steadyTime_;
  process.framesCount = frames;
  process.transport = sendTransport_ ? &transport_ : nullptr;
  process.audioOutputs = &output;
  process.audioOutputsCount = 1;
  process.inEvents = events_.List();
  process.outEvents = output_.List();
  clap::ProcessStatus status;
  {
    ClapHost::AudioThreadScope audio;
    status = plugin_->process(plugin_, &process);
  }
  lastConstantMask_ = output.constantMask;
  steadyTime_ += frames;
  // The transport moves on by the block.
  const double seconds = frames / sampleRate_;
  const double songSeconds = double(transport_.songPosSeconds) / double(clap::kSecTimeFactor) + seconds;
  const double songBeats = double(transport_.songPosBeats) / double(clap::kBeatTimeFactor) +
                           seconds * transport_.tempo / 60.0;
  transport_.songPosSeconds = clap::SecTime(std::llround(songSeconds * double(clap::kSecTimeFactor)));
  transport_.songPosBeats = clap::BeatTime(std::llround(songBeats * double(clap::kBeatTimeFactor)));
  return status;
}

uint32_t ClapInstance::ParamCount() const {
  const auto* params = Ext<clap::PluginParams>(clap::kExtParams);
  return params ? params->count(plugin_) : 0;
}

bool ClapInstance::ParamInfoAt(uint32_t index, clap::ParamInfo& info) const {
  const auto* params = Ext<clap::PluginParams>(clap::kExtParams);
  return params && params->getInfo(plugin_, index, &info);
}

bool ClapInstance::FindParam(const std::string& name, clap::Id& id) const {
  for (uint32_t i = 0; i < ParamCount(); ++i) {
    clap::ParamInfo info{};
    if (ParamInfoAt(i, info) && name == info.name) {
      id = info.id;
      return true;
    }
  }
  return false;
}

double ClapInstance::Value(clap::Id id) const {
  const auto* params = Ext<clap::PluginParams>(clap::kExtParams);
  double value = 0.0;
  if (!params || !params->getValue(plugin_, id, &value)) return std::nan("");
  return value;
}

std::string ClapInstance::Text(clap::Id id, double value) const {
  const auto* params = Ext<clap::PluginParams>(clap::kExtParams);
  char text[256] = {};
  if (!params || !params->valueToText(plugin_, id, value, text, sizeof text)) return "";
  return text;
}

void ClapInstance::Flush() {
  const auto* params = Ext<clap::PluginParams>(clap::kExtParams);
  if (params) params->flush(plugin_, events_.List(), output_.List());
}

namespace {

struct StreamContext {
  std::vector<uint8_t>* bytes;
  const std::vector<uint8_t>* source;
  size_t position;
  StreamBehaviour behaviour;
};

int64_t Allowed(StreamContext& context, uint64_t size, size_t available) {
  uint64_t n = std::min<uint64_t>(size, available);
  if (context.behaviour.chunk > 0) n = std::min<uint64_t>(n, context.behaviour.chunk);
  if (context.position >= context.behaviour.limit) return context.behaviour.failAtLimit ? -1 : 0;
  n = std::min<uint64_t>(n, context.behaviour.limit - context.position);
  return int64_t(n);
}

}  // namespace

bool ClapInstance::SaveState(std::vector<uint8_t>& state, const StreamBehaviour& behaviour) {
  const auto* ext = Ext<clap::PluginState>(clap::kExtState);
  if (!ext) return false;
  state.clear();
  StreamContext context{&state, nullptr, 0, behaviour};
  clap::OStream stream{&context, [](const clap::OStream* s, const void* buffer, uint64_t size) {
                         auto& c = *static_cast<StreamContext*>(s->ctx);
                         const int64_t n = Allowed(c, size, SIZE_MAX);
                         if (n <= 0) return n < 0 ? n : int64_t(-1);
                         const auto* bytes = static_cast<const uint8_t*>(buffer);
                         c.bytes->insert(c.bytes->end(), bytes, bytes + n);
                         c.position += size_t(n);
                         return n;
                       }};
  return ext->save(plugin_, &stream);
}

bool ClapInstance::LoadState(const std::vector<uint8_t>& state, const StreamBehaviour& behaviour) {
  const auto* ext = Ext<clap::PluginState>(clap::kExtState);
  if (!ext) return false;
  StreamContext context{nullptr, &state, 0, behaviour};
  clap::IStream stream{&context, [](const clap::IStream* s, void* buffer, uint64_t size) {
                         auto& c = *static_cast<StreamContext*>(s->ctx);
                         const int64_t n = Allowed(c, size, c.source->size() - c.position);
                         if (n <= 0) return n;
                         std::memcpy(buffer, c.source->data() + c.position, size_t(n));
                         c.position += size_t(n);
                         return n;
                       }};
  return ext->load(plugin_, &stream);
}

}  // namespace fluvia::claphost
