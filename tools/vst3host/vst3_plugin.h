#pragma once
// One plug-in instance driven through the VST3 interfaces only: created from a module's
// factory, initialised with a host context, set up, activated and processed block by block,
// then torn down in the order hosts use.

#include <memory>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"

namespace fluvia::vst3host {

class Vst3Plugin {
 public:
  // Instantiates the first class of category "Audio Module Class" in the module. The module
  // and the host objects must outlive the plug-in.
  static std::unique_ptr<Vst3Plugin> Create(const Vst3Module& module, HostApplication& host,
                                            std::string& error);
  ~Vst3Plugin();
  Vst3Plugin(const Vst3Plugin&) = delete;
  Vst3Plugin& operator=(const Vst3Plugin&) = delete;

  Steinberg::Vst::IComponent* Component() const { return component_; }
  Steinberg::Vst::IAudioProcessor* Processor() const { return processor_; }
  Steinberg::Vst::IEditController* Controller() const { return controller_; }
  ComponentHandler& Handler() { return handler_; }

  // The identifier of the parameter with that title; false when there is none.
  bool FindParameter(const std::string& title, Steinberg::Vst::ParamID& id) const;

  // setupProcessing, activation of every bus, setActive(true) and setProcessing(true). The
  // process mode goes to the setup and to every block.
  bool Start(double sampleRate, int maxBlockSize, Steinberg::int32 sampleSize,
             std::string& error, Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
  // setProcessing(false) and setActive(false); harmless when not started.
  void Stop();
  bool Started() const { return started_; }
  int MaxBlockSize() const { return maxBlockSize_; }

  // Filled by the caller before Process, cleared by it afterwards.
  EventList& Events() { return events_; }
  ParameterChanges& Changes() { return changes_; }
  Steinberg::Vst::ProcessContext& Context() { return context_; }

  // One block into two output channels (silence on the input bus); the transport advances by
  // the block. frames must not exceed the maximum given to Start.
  Steinberg::tresult Process(float* left, float* right, int frames);
  Steinberg::tresult Process(double* left, double* right, int frames);
  // The output bus's silence flags after the last Process.
  Steinberg::uint64 LastSilenceFlags() const { return lastSilenceFlags_; }

 private:
  Vst3Plugin() = default;
  template <typename Sample>
  Steinberg::tresult ProcessBlock(Sample* left, Sample* right, int frames);

  Steinberg::Vst::IComponent* component_ = nullptr;
  Steinberg::Vst::IAudioProcessor* processor_ = nullptr;
  Steinberg::Vst::IEditController* controller_ = nullptr;
  bool separateController_ = false;
  Steinberg::Vst::IConnectionPoint* componentConnection_ = nullptr;
  Steinberg::Vst::IConnectionPoint* controllerConnection_ = nullptr;
  ComponentHandler handler_;
  EventList events_;
  ParameterChanges changes_{32, 8192};
  Steinberg::Vst::ProcessContext context_{};
  bool started_ = false;
  int maxBlockSize_ = 0;
  Steinberg::int32 sampleSize_ = Steinberg::Vst::kSample32;
  Steinberg::int32 processMode_ = Steinberg::Vst::kRealtime;
  std::vector<float> silence32_;
  std::vector<double> silence64_;
  Steinberg::uint64 lastSilenceFlags_ = 0;
};

}  // namespace fluvia::vst3host
