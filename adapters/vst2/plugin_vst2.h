#pragma once
// IPluginVST2: connects a plug-in core to a host that speaks the VST 2.4 interface. The host
// holds the effect record this object fills; the record's entries come back here, and the
// core reaches the host through the callback the host passed to the entry point.

#include <cstdint>
#include <memory>

#include "adapters/vst2/editor_platform.h"
#include "adapters/vst2/vst2_abi.h"
#include "framework/host_link.h"
#include "framework/plugin_core.h"

namespace fluvia {

class IPluginVST2 final : public IHostLink {
 public:
  IPluginVST2(std::unique_ptr<IPluginCore> core, vst2::HostCallback host);
  ~IPluginVST2() override;
  IPluginVST2(const IPluginVST2&) = delete;
  IPluginVST2& operator=(const IPluginVST2&) = delete;

  vst2::Effect* Effect() { return &effect_; }
  IPluginCore& Core() { return *core_; }

  // The record's entries. Each finds its instance through the record's object field.
  static intptr_t Dispatcher(vst2::Effect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float option);
  static void ProcessReplacing(vst2::Effect* effect, float** inputs, float** outputs,
                               int32_t frames);
  static void ProcessAccumulating(vst2::Effect* effect, float** inputs, float** outputs,
                                  int32_t frames);
  static void ProcessDoubleReplacing(vst2::Effect* effect, double** inputs, double** outputs,
                                     int32_t frames);
  static void SetParameter(vst2::Effect* effect, int32_t index, float value);
  static float GetParameter(vst2::Effect* effect, int32_t index);

  // ---- IHostLink: what the core asks of the host ---------------------------------------------
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalised) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override;
  bool IsOfflineRendering() override;
  int32_t SamplePosition() override;
  double HostTempo() override;
  void TimeSignature(int& numerator, int& denominator) override;
  void FillTimeInfo(TimeInfo& info) override;
  void ResizeEditor(int width, int height) override;
  bool SendMidi(const MidiMessage& message) override;
  bool SendSysEx(const SysExMessage& message) override;
  void LatencyChanged(int frames) override;
  bool QueryHostIdentity(std::string& name, int32_t& version) override;

 private:
  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float option);
  intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float option);
  intptr_t DispatchEditor(int32_t opcode, void* ptr);
  void HostOpened();
  intptr_t GetChunk(bool program, void** data);
  intptr_t SetChunk(bool program, const void* data, intptr_t size);
  intptr_t ProcessEvents(const vst2::EventList* events);
  intptr_t StringToParameter(int index, const char* text);
  intptr_t PinProperties(bool input, int index, vst2::PinProperties* pin);
  void SetSpeakerArrangement(const vst2::SpeakerArrangement* inputs,
                             const vst2::SpeakerArrangement* outputs);
  void UpdateChannelCounts();
  void UpdateEditRect();
  template <typename Sample>
  void Process(Sample** inputs, Sample** outputs, int32_t frames, bool accumulate);
  float GetParameterValue(int index);
  void SetParameterValue(int index, float value);
  // Asks the host for its transport record with the given flags; null when it has none.
  const vst2::TimeInfo* HostTime(int32_t filter);
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float option = 0.0f);

  std::unique_ptr<IPluginCore> core_;
  vst2::HostCallback host_;
  bool opened_ = false;
  vst2::Rect editRect_{};
  vst2::SpeakerArrangement inputArrangement_{};
  vst2::SpeakerArrangement outputArrangement_{};
  StateChunk programChunk_;
  StateChunk bankChunk_;
  EditorPlatform editorPlatform_;
  vst2::Effect effect_{};
};

}  // namespace fluvia
