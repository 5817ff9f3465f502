#pragma once
// IPluginVST3: connects a plug-in core to a VST3 host. One object is the audio processor and
// the edit controller (SingleComponentEffect) and also answers the host's unit and program
// list questions. It owns the core and is the core's link to the host.

#include <memory>
#include <mutex>
#include <vector>

#include "adapters/vst3/single_component_effect.h"
#include "framework/host_link.h"
#include "framework/plugin_core.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace fluvia {

class IPluginVST3View;

// Parameter identifiers beyond the core's parameter indices.
constexpr Steinberg::Vst::ParamID kPresetParamId = 0x70727374;  // 'prst'
constexpr Steinberg::Vst::ParamID kBypassParamId = 0x62706173;  // 'bpas'
constexpr Steinberg::Vst::ProgramListID kPresetListId = 0x70727374;

class IPluginVST3 : public IHostLink,
                    public Steinberg::Vst::IUnitInfo,
                    public SingleComponentEffect {
 public:
  explicit IPluginVST3(std::unique_ptr<IPluginCore> core);
  ~IPluginVST3() override;

  IPluginCore& Core() { return *core_; }

  // ---- IPluginBase ---------------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;

  // ---- IComponent ----------------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;

  // ---- IAudioProcessor -----------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                   Steinberg::int32 numIns,
                                                   Steinberg::Vst::SpeakerArrangement* outputs,
                                                   Steinberg::int32 numOuts) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
  Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;

  // ---- IEditController -----------------------------------------------------------------------
  Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                 Steinberg::Vst::ParameterInfo& info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID tag,
                                                      Steinberg::Vst::ParamValue valueNormalized,
                                                      Steinberg::Vst::String128 string) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getParamValueByString(Steinberg::Vst::ParamID tag,
                                                      Steinberg::Vst::TChar* string,
                                                      Steinberg::Vst::ParamValue& valueNormalized) SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue PLUGIN_API plainParamToNormalized(Steinberg::Vst::ParamID tag,
                                                               Steinberg::Vst::ParamValue plainValue) SMTG_OVERRIDE;
  Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID tag) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID tag,
                                                   Steinberg::Vst::ParamValue value) SMTG_OVERRIDE;
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) SMTG_OVERRIDE;

  // ---- IUnitInfo -----------------------------------------------------------------------------
  Steinberg::int32 PLUGIN_API getUnitCount() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                            Steinberg::Vst::UnitInfo& info) SMTG_OVERRIDE;
  Steinberg::int32 PLUGIN_API getProgramListCount() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                                   Steinberg::Vst::ProgramListInfo& info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                               Steinberg::int32 programIndex,
                                               Steinberg::Vst::String128 name) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                               Steinberg::int32 programIndex,
                                               Steinberg::Vst::CString attributeId,
                                               Steinberg::Vst::String128 attributeValue) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                                     Steinberg::int32 programIndex) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                    Steinberg::int32 programIndex,
                                                    Steinberg::int16 midiPitch,
                                                    Steinberg::Vst::String128 name) SMTG_OVERRIDE;
  Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                             Steinberg::Vst::BusDirection dir,
                                             Steinberg::int32 busIndex, Steinberg::int32 channel,
                                             Steinberg::Vst::UnitID& unitId) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                   Steinberg::int32 programIndex,
                                                   Steinberg::IBStream* data) SMTG_OVERRIDE;

  // ---- IHostLink: what the core asks of the host ---------------------------------------------
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalised) override;
  void EndParamEdit(int index) override;
  // Values changed all at once (a preset the person loaded): the host reads them again. Only
  // called on the editor's thread, as the host wants restart requests.
  void ReportPresetChange() override;
  bool IsOfflineRendering() override;
  int32_t SamplePosition() override;
  double HostTempo() override;
  void TimeSignature(int& numerator, int& denominator) override;
  void FillTimeInfo(TimeInfo& info) override;
  void ResizeEditor(int width, int height) override;
  bool SendMidi(const MidiMessage& message) override;
  void ShowHostParamMenu(int index, int x, int y) override;
  void LatencyChanged(int frames) override;

  // ---- Views (called by IPluginVST3View) -----------------------------------------------------
  void AddView(IPluginVST3View* view);
  void RemoveView(IPluginVST3View* view);

  OBJ_METHODS(IPluginVST3, SingleComponentEffect)
  DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IUnitInfo)
  END_DEFINE_INTERFACES(SingleComponentEffect)
  FLUVIA_ATOMIC_REFCOUNT_METHODS

 private:
  void AddBuses();
  void AddParameters();
  void IdentifyHost(Steinberg::FUnknown* context);
  IPluginVST3View* FirstView();

  // Processing steps, all on the audio thread inside the core's AudioThreadScope.
  void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  void ForwardMidiEvents(Steinberg::Vst::IEventList* events, Steinberg::int32 frames);
  void ConnectInputs(const Steinberg::Vst::ProcessData& data);
  void ConnectOutputs(const Steinberg::Vst::ProcessData& data, bool doublePrecision);
  // How many leading channels of output bus `bus` the core writes in this block.
  int CoreChannelsOfOutputBus(const Steinberg::Vst::ProcessData& data, int bus);
  void SilenceUnusedOutputs(const Steinberg::Vst::ProcessData& data, bool doublePrecision);
  void UpdateSilenceFlags(Steinberg::Vst::ProcessData& data, bool doublePrecision);

  std::unique_ptr<IPluginCore> core_;
  int sideChainChannels_ = 0;
  bool sideChainActive_ = false;
  std::recursive_mutex viewsMutex_;  // recursive: a resize request can come back through onSize
  std::vector<IPluginVST3View*> views_;
  Steinberg::Vst::ProcessContext processContext_{};  // the audio thread's
};

}  // namespace fluvia
