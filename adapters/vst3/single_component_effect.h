#pragma once
// SingleComponentEffect: one object that is both the audio processor and the edit controller
// of a VST3 plug-in. It keeps the bus lists and the process setup and answers the component
// and processor calls that need nothing plug-in specific; a plug-in derives from it and
// overrides what it does differently.

#include "adapters/vst3/atomic_refcount.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace fluvia {

class SingleComponentEffect : public Steinberg::Vst::EditController,
                              public Steinberg::Vst::IComponent,
                              public Steinberg::Vst::IAudioProcessor {
 public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // ---- Buses ---------------------------------------------------------------------------------
  Steinberg::Vst::AudioBus* addAudioInput(const Steinberg::Vst::TChar* name,
                                          Steinberg::Vst::SpeakerArrangement arrangement,
                                          Steinberg::Vst::BusType busType,
                                          Steinberg::int32 flags);
  Steinberg::Vst::AudioBus* addAudioOutput(const Steinberg::Vst::TChar* name,
                                           Steinberg::Vst::SpeakerArrangement arrangement,
                                           Steinberg::Vst::BusType busType,
                                           Steinberg::int32 flags);
  Steinberg::Vst::EventBus* addEventInput(const Steinberg::Vst::TChar* name,
                                          Steinberg::int32 channels,
                                          Steinberg::Vst::BusType busType,
                                          Steinberg::int32 flags);
  void removeAllBusses();
  Steinberg::Vst::BusList* getBusList(Steinberg::Vst::MediaType type,
                                      Steinberg::Vst::BusDirection direction);
  // The audio bus at an index, or null.
  Steinberg::Vst::AudioBus* audioBus(Steinberg::Vst::BusDirection direction,
                                     Steinberg::int32 index);

  bool isInitialized() const { return initialized; }
  const Steinberg::Vst::ProcessSetup& getProcessSetup() const { return processSetup; }

  // ---- IPluginBase ---------------------------------------------------------------------------
  // A second initialize without terminate is refused, also when the host passes no context
  // (the SDK base would accept it and the buses would be added twice).
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API terminate() SMTG_OVERRIDE;

  // ---- IComponent ----------------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API getControllerClassId(Steinberg::TUID classId) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setIoMode(Steinberg::Vst::IoMode mode) SMTG_OVERRIDE;
  Steinberg::int32 PLUGIN_API getBusCount(Steinberg::Vst::MediaType type,
                                          Steinberg::Vst::BusDirection dir) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type,
                                           Steinberg::Vst::BusDirection dir,
                                           Steinberg::int32 index,
                                           Steinberg::Vst::BusInfo& info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getRoutingInfo(Steinberg::Vst::RoutingInfo& inInfo,
                                               Steinberg::Vst::RoutingInfo& outInfo) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type,
                                            Steinberg::Vst::BusDirection dir,
                                            Steinberg::int32 index,
                                            Steinberg::TBool state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
  // IComponent and IEditController declare getState and setState with the same signature, so
  // in one object a single pair serves both interfaces: the host's component state and its
  // controller state are the same bytes.
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;

  // ---- IAudioProcessor -----------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                   Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir,
                                                  Steinberg::int32 index,
                                                  Steinberg::Vst::SpeakerArrangement& arr) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE { return 0; }
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE { return 0; }

  OBJ_METHODS(SingleComponentEffect, EditController)
  DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IComponent)
    DEF_INTERFACE(Steinberg::Vst::IAudioProcessor)
  END_DEFINE_INTERFACES(EditController)
  FLUVIA_ATOMIC_REFCOUNT_METHODS

 protected:
  Steinberg::Vst::BusList audioInputs;
  Steinberg::Vst::BusList audioOutputs;
  Steinberg::Vst::BusList eventInputs;
  Steinberg::Vst::BusList eventOutputs;
  Steinberg::Vst::ProcessSetup processSetup{};
  bool initialized = false;
};

}  // namespace fluvia
