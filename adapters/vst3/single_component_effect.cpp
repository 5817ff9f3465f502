#include "adapters/vst3/single_component_effect.h"

namespace fluvia {

using namespace Steinberg;
using namespace Steinberg::Vst;

SingleComponentEffect::SingleComponentEffect()
    : audioInputs(kAudio, kInput),
      audioOutputs(kAudio, kOutput),
      eventInputs(kEvent, kInput),
      eventOutputs(kEvent, kOutput) {
  processSetup.processMode = kRealtime;
  processSetup.symbolicSampleSize = kSample32;
  processSetup.maxSamplesPerBlock = 0;
  processSetup.sampleRate = 44100.0;
}

SingleComponentEffect::~SingleComponentEffect() = default;

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement,
                                               BusType busType, int32 flags) {
  auto* bus = new AudioBus(name, busType, flags, arrangement);
  audioInputs.push_back(IPtr<Vst::Bus>(bus, false));
  return bus;
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement,
                                                BusType busType, int32 flags) {
  auto* bus = new AudioBus(name, busType, flags, arrangement);
  audioOutputs.push_back(IPtr<Vst::Bus>(bus, false));
  return bus;
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType busType,
                                               int32 flags) {
  auto* bus = new EventBus(name, busType, flags, channels);
  eventInputs.push_back(IPtr<Vst::Bus>(bus, false));
  return bus;
}

void SingleComponentEffect::removeAllBusses() {
  audioInputs.clear();
  audioOutputs.clear();
  eventInputs.clear();
  eventOutputs.clear();
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection direction) {
  if (type == kAudio) return direction == kInput ? &audioInputs : &audioOutputs;
  if (type == kEvent) return direction == kInput ? &eventInputs : &eventOutputs;
  return nullptr;
}

AudioBus* SingleComponentEffect::audioBus(BusDirection direction, int32 index) {
  BusList* list = getBusList(kAudio, direction);
  if (!list || index < 0 || index >= static_cast<int32>(list->size())) return nullptr;
  return dynamic_cast<AudioBus*>(list->at(size_t(index)).get());
}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
  if (initialized) return kResultFalse;
  const tresult result = EditController::initialize(context);
  if (result == kResultOk) initialized = true;
  return result;
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
  removeAllBusses();
  initialized = false;
  return EditController::terminate();
}

// One object is processor and controller, so there is no separate controller class.
tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID /*classId*/) {
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode /*mode*/) { return kNotImplemented; }

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
  BusList* list = getBusList(type, dir);
  return list ? static_cast<int32>(list->size()) : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                     BusInfo& info) {
  BusList* list = getBusList(type, dir);
  if (!list || index < 0 || index >= static_cast<int32>(list->size())) return kInvalidArgument;
  info.mediaType = type;
  info.direction = dir;
  return list->at(size_t(index))->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo& /*inInfo*/,
                                                         RoutingInfo& /*outInfo*/) {
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir,
                                                      int32 index, TBool state) {
  BusList* list = getBusList(type, dir);
  if (!list || index < 0 || index >= static_cast<int32>(list->size())) return kInvalidArgument;
  list->at(size_t(index))->setActive(state);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setActive(TBool /*state*/) { return kResultOk; }

tresult PLUGIN_API SingleComponentEffect::setState(IBStream* /*state*/) { return kNotImplemented; }

tresult PLUGIN_API SingleComponentEffect::getState(IBStream* /*state*/) { return kNotImplemented; }

// Without plug-in specific knowledge only the current layout can be confirmed.
tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs,
                                                             int32 numIns,
                                                             SpeakerArrangement* outputs,
                                                             int32 numOuts) {
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) {
    return kInvalidArgument;
  }
  if (numIns != static_cast<int32>(audioInputs.size()) ||
      numOuts != static_cast<int32>(audioOutputs.size())) {
    return kResultFalse;
  }
  for (int32 i = 0; i < numIns; ++i) {
    if (audioBus(kInput, i)->getArrangement() != inputs[i]) return kResultFalse;
  }
  for (int32 i = 0; i < numOuts; ++i) {
    if (audioBus(kOutput, i)->getArrangement() != outputs[i]) return kResultFalse;
  }
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index,
                                                            SpeakerArrangement& arr) {
  AudioBus* bus = audioBus(dir, index);
  if (!bus) return kInvalidArgument;
  arr = bus->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool /*state*/) { return kNotImplemented; }

tresult PLUGIN_API SingleComponentEffect::process(ProcessData& /*data*/) { return kNotImplemented; }

}  // namespace fluvia
