#include "tools/vst3host/vst3_plugin.h"

#include <cstring>

namespace fluvia::vst3host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

template <typename T>
T* Query(FUnknown* object, const TUID iid) {
  void* obj = nullptr;
  if (!object || object->queryInterface(iid, &obj) != kResultOk) return nullptr;
  return static_cast<T*>(obj);
}

std::string Narrow(const char16* text) {
  std::string result;
  for (int i = 0; i < 128 && text[i]; ++i) result.push_back(char(text[i] & 0xFF));
  return result;
}

}  // namespace

std::unique_ptr<Vst3Plugin> Vst3Plugin::Create(const Vst3Module& module, HostApplication& host,
                                               std::string& error) {
  IPluginFactory* factory = module.Factory();
  if (!factory) {
    error = "no factory";
    return nullptr;
  }
  TUID cid{};
  bool found = false;
  for (int32 i = 0; i < factory->countClasses() && !found; ++i) {
    PClassInfo info{};
    if (factory->getClassInfo(i, &info) == kResultOk &&
        std::strcmp(info.category, kVstAudioEffectClass) == 0) {
      std::memcpy(cid, info.cid, sizeof(TUID));
      found = true;
    }
  }
  if (!found) {
    error = "the module registers no audio module class";
    return nullptr;
  }

  std::unique_ptr<Vst3Plugin> plugin(new Vst3Plugin);
  void* obj = nullptr;
  if (factory->createInstance(reinterpret_cast<FIDString>(cid),
                              reinterpret_cast<FIDString>(IComponent::iid.toTUID()), &obj) != kResultOk ||
      !obj) {
    error = "the factory cannot create the component";
    return nullptr;
  }
  plugin->component_ = static_cast<IComponent*>(obj);
  if (plugin->component_->initialize(&host) != kResultOk) {
    error = "the component refused initialize";
    plugin->component_->release();
    plugin->component_ = nullptr;
    return nullptr;
  }
  plugin->processor_ = Query<IAudioProcessor>(plugin->component_, IAudioProcessor::iid);
  if (!plugin->processor_) {
    error = "the component has no audio processor";
    return nullptr;
  }

  // A single-component plug-in is its own controller; otherwise the controller is a class of
  // its own, created and connected beside the component.
  plugin->controller_ = Query<IEditController>(plugin->component_, IEditController::iid);
  if (!plugin->controller_) {
    TUID controllerId{};
    if (plugin->component_->getControllerClassId(controllerId) == kResultOk) {
      obj = nullptr;
      if (factory->createInstance(reinterpret_cast<FIDString>(controllerId),
                                  reinterpret_cast<FIDString>(IEditController::iid.toTUID()),
                                  &obj) == kResultOk && obj) {
        plugin->controller_ = static_cast<IEditController*>(obj);
        plugin->separateController_ = true;
        if (plugin->controller_->initialize(&host) != kResultOk) {
          error = "the controller refused initialize";
          return nullptr;
        }
        plugin->componentConnection_ =
            Query<IConnectionPoint>(plugin->component_, IConnectionPoint::iid);
        plugin->controllerConnection_ =
            Query<IConnectionPoint>(plugin->controller_, IConnectionPoint::iid);
        if (plugin->componentConnection_ && plugin->controllerConnection_) {
          plugin->componentConnection_->connect(plugin->controllerConnection_);
          plugin->controllerConnection_->connect(plugin->componentConnection_);
        }
      }
    }
  }
  if (!plugin->controller_) {
    error = "the plug-in has no edit controller";
    return nullptr;
  }
  plugin->controller_->setComponentHandler(&plugin->handler_);
  return plugin;
}

Vst3Plugin::~Vst3Plugin() {
  Stop();
  if (componentConnection_ && controllerConnection_) {
    componentConnection_->disconnect(controllerConnection_);
    controllerConnection_->disconnect(componentConnection_);
  }
  if (componentConnection_) componentConnection_->release();
  if (controllerConnection_) controllerConnection_->release();
  if (controller_) {
    controller_->setComponentHandler(nullptr);
    if (separateController_) controller_->terminate();
    controller_->release();
  }
  if (processor_) processor_->release();
  if (component_) {
    component_->terminate();
    component_->release();
  }
}

bool Vst3Plugin::FindParameter(const std::string& title, ParamID& id) const {
  const int32 count = controller_->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) == kResultOk && Narrow(info.title) == title) {
      id = info.id;
      return true;
    }
  }
  return false;
}

bool Vst3Plugin::Start(double sampleRate, int maxBlockSize, int32 sampleSize, std::string& error,
                       int32 processMode) {
  Stop();
  if (processor_->canProcessSampleSize(sampleSize) != kResultTrue) {
    error = "the plug-in cannot process this sample size";
    return false;
  }
  ProcessSetup setup{processMode, sampleSize, maxBlockSize, sampleRate};
  if (processor_->setupProcessing(setup) != kResultOk) {
    error = "setupProcessing failed";
    return false;
  }
  for (MediaType type : {kAudio, kEvent}) {
    for (BusDirection dir : {kInput, kOutput}) {
      for (int32 i = 0; i < component_->getBusCount(type, dir); ++i) {
        component_->activateBus(type, dir, i, true);
      }
    }
  }
  if (component_->setActive(true) != kResultOk) {
    error = "setActive failed";
    return false;
  }
  processor_->setProcessing(true);
  sampleSize_ = sampleSize;
  processMode_ = processMode;
  maxBlockSize_ = maxBlockSize;
  silence32_.assign(size_t(maxBlockSize), 0.0f);
  silence64_.assign(size_t(maxBlockSize), 0.0);
  context_ = ProcessContext{};
  context_.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                   ProcessContext::kTimeSigValid;
  context_.sampleRate = sampleRate;
  context_.tempo = 120.0;
  context_.timeSigNumerator = 4;
  context_.timeSigDenominator = 4;
  started_ = true;
  return true;
}

void Vst3Plugin::Stop() {
  if (!started_) return;
  processor_->setProcessing(false);
  component_->setActive(false);
  started_ = false;
}

tresult Vst3Plugin::Process(float* left, float* right, int frames) {
  return ProcessBlock(left, right, frames);
}

tresult Vst3Plugin::Process(double* left, double* right, int frames) {
  return ProcessBlock(left, right, frames);
}

template <typename Sample>
tresult Vst3Plugin::ProcessBlock(Sample* left, Sample* right, int frames) {
  Sample* outputs[2] = {left, right};
  Sample* inputs[2];
  if constexpr (sizeof(Sample) == sizeof(float)) {
    inputs[0] = inputs[1] = silence32_.data();
  } else {
    inputs[0] = inputs[1] = silence64_.data();
  }
  AudioBusBuffers in{};
  AudioBusBuffers out{};
  in.numChannels = 2;
  out.numChannels = 2;
  if constexpr (sizeof(Sample) == sizeof(float)) {
    in.channelBuffers32 = inputs;
    out.channelBuffers32 = outputs;
  } else {
    in.channelBuffers64 = inputs;
    out.channelBuffers64 = outputs;
  }

  ProcessData data{};
  data.processMode = processMode_;
  data.symbolicSampleSize = sizeof(Sample) == sizeof(float) ? kSample32 : kSample64;
  data.numSamples = frames;
  data.numInputs = component_->getBusCount(kAudio, kInput) > 0 ? 1 : 0;
  data.numOutputs = 1;
  data.inputs = data.numInputs ? &in : nullptr;
  data.outputs = &out;
  data.inputParameterChanges = &changes_;
  data.inputEvents = &events_;
  data.processContext = &context_;
  const tresult result = processor_->process(data);
  lastSilenceFlags_ = out.silenceFlags;
  context_.projectTimeSamples += frames;
  context_.projectTimeMusic += frames / context_.sampleRate * context_.tempo / 60.0;
  return result;
}

}  // namespace fluvia::vst3host
