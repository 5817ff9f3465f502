#include "adapters/vst3/plugin_vst3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "adapters/vst3/plugin_vst3_view.h"
#include "adapters/vst3/speaker_layout.h"
#include "adapters/vst3/text_utf16.h"
#include "framework/host_lookup.h"
#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

namespace fluvia {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int kHostNameLength = 128;  // UTF-16 units the host may fill
constexpr int kHostNameChars = 127;   // characters handed to the host lookup

bool IsParamIndex(const IPluginCore& core, ParamID tag) {
  return tag < static_cast<ParamID>(core.NumParams());
}

}  // namespace

IPluginVST3::IPluginVST3(std::unique_ptr<IPluginCore> core) : core_(std::move(core)) {
  core_->SetHostLink(this);
  core_->SetInputChannelConnections(0, core_->NumInputs(), true);
  core_->SetOutputChannelConnections(0, core_->NumOutputs(), true);
  if (core_->NumInputs() > 0) core_->CreateLatencyDelayLine();

  std::vector<std::string>& inputLabels = core_->InputBusLabels();
  inputLabels.clear();
  inputLabels.push_back("Main Input");
  if (sideChainChannels_ > 0) inputLabels.push_back("Aux Input");

  std::vector<std::string>& outputLabels = core_->OutputBusLabels();
  outputLabels.clear();
  if (core_->IsInstrument()) {
    const int pairs = (core_->NumOutputs() + 1) / 2;
    for (int pair = 1; pair <= pairs; ++pair) {
      char label[32];
      std::snprintf(label, sizeof(label), "Output %i", pair);
      outputLabels.push_back(label);
    }
  } else {
    outputLabels.push_back("Output");
  }
}

IPluginVST3::~IPluginVST3() {
  // The core may still reach the host while it tears down its editor; by now there is none.
  core_->SetHostLink(nullptr);
}

// ---- Initialisation ---------------------------------------------------------------------------

tresult PLUGIN_API IPluginVST3::initialize(FUnknown* context) {
  tresult result = kResultFalse;
  try {
    result = SingleComponentEffect::initialize(context);
    IdentifyHost(context);
    if (result == kResultOk) {
      AddBuses();
      AddParameters();
    }
    core_->HostIdentified();
    core_->RestorePreset(0);
  } catch (...) {
    // Out of memory while building buses or parameters: the host releases a plug-in whose
    // initialize fails, so leave nothing half built behind.
    SingleComponentEffect::terminate();
    return kOutOfMemory;
  }
  return result;
}

void IPluginVST3::IdentifyHost(FUnknown* context) {
  if (!context) return;
  IHostApplication* app = nullptr;
  if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&app)) != kResultOk ||
      !app) {
    return;
  }
  String128 name{};
  if (app->getName(name) == kResultOk) {
    name[kHostNameLength - 1] = 0;
    const std::string narrow = NarrowText(name, kHostNameLength, kHostNameChars);
    core_->SetHost(LookUpHost(narrow.c_str()), 0);
  }
  app->release();
}

void IPluginVST3::AddBuses() {
  const std::vector<std::string>& inputLabels = core_->InputBusLabels();
  const std::vector<std::string>& outputLabels = core_->OutputBusLabels();
  auto label = [](const std::vector<std::string>& labels, size_t i, String128 out) {
    WidenText(i < labels.size() ? labels[i].c_str() : "", out, 128);
  };
  String128 name;

  const int mainInputs = core_->NumInputs() - sideChainChannels_;
  if (mainInputs >= 1 && mainInputs <= 6) {
    label(inputLabels, 0, name);
    addAudioInput(name, SpeakerArrangementFor(mainInputs), kMain, BusInfo::kDefaultActive);
  }

  if (core_->IsInstrument()) {
    const int pairs = (core_->NumOutputs() + 1) / 2;
    for (int pair = 0; pair < pairs; ++pair) {
      label(outputLabels, size_t(pair), name);
      addAudioOutput(name, SpeakerArrangementFor(2), kMain, BusInfo::kDefaultActive);
    }
  } else {
    label(outputLabels, 0, name);
    addAudioOutput(name, SpeakerArrangementFor(core_->NumOutputs()), kMain,
                   BusInfo::kDefaultActive);
  }

  if (sideChainChannels_ > 0) {
    const int channels = std::min(sideChainChannels_, 2);
    label(inputLabels, 1, name);
    addAudioInput(name, SpeakerArrangementFor(channels), kAux, 0);
  }

  if (core_->TakesMidi()) {
    WidenText("MIDI Input", name, 128);
    addEventInput(name, 1, kMain, BusInfo::kDefaultActive);
  }
}

void IPluginVST3::AddParameters() {
  String128 title;
  String128 units;

  if (core_->NumPresets() > 0) {
    WidenText("Preset", title, 128);
    WidenText("", units, 128);
    parameters.addParameter(title, units, core_->NumPresets(), 0.0,
                            ParameterInfo::kIsProgramChange, static_cast<int32>(kPresetParamId),
                            kRootUnitId);
  }

  if (!core_->IsInstrument()) {
    WidenText("Bypass", title, 128);
    auto* bypass = new StringListParameter(
        title, kBypassParamId, nullptr,
        ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass,
        kRootUnitId);
    String128 entry;
    WidenText("off", entry, 128);
    bypass->appendString(entry);
    WidenText("on", entry, 128);
    bypass->appendString(entry);
    parameters.addParameter(bypass);
  }

  // In the order the plug-in wants them listed; identifiers stay the parameter indices.
  std::vector<std::string>& groups = core_->ParamGroups();
  for (int i : core_->ParamListOrder()) {
    const IParameter& param = *core_->GetParam(i);
    UnitID unit = kRootUnitId;
    if (param.Group()[0] != '\0') {
      auto found = std::find(groups.begin(), groups.end(), param.Group());
      if (found == groups.end()) found = groups.insert(groups.end(), param.Group());
      unit = static_cast<UnitID>(found - groups.begin()) + 1;
    }
    // A hidden parameter is one the person does not play: hosts leave it out of their lists
    // and may not change it (its value still travels in the state).
    const int32 flags = param.Hidden()
                            ? ParameterInfo::kIsHidden | ParameterInfo::kIsReadOnly
                            : (param.Automatable() ? ParameterInfo::kCanAutomate : 0);
    WidenText(param.DisplayName(), title, 128);
    WidenText(param.UnitLabel(), units, 128);

    switch (param.Kind()) {
      case ParamKind::Int:
      case ParamKind::Double: {
        auto* range = new RangeParameter(title, static_cast<ParamID>(i), units, param.Minimum(),
                                         param.Maximum(), param.DefaultValue(), 0, flags, unit,
                                         title);
        range->setPrecision(param.DisplayPrecision());
        parameters.addParameter(range);
        break;
      }
      case ParamKind::Bool:
      case ParamKind::Enum: {
        auto* list = new StringListParameter(title, static_cast<ParamID>(i), units,
                                             flags | ParameterInfo::kIsList, unit);
        const int count = static_cast<int>(param.ValueTexts().size());
        for (int value = 0; value < count; ++value) {
          const char* text = param.ValueTextFor(value);
          String128 entry;
          WidenText(text ? text : "", entry, 128);
          list->appendString(entry);
        }
        parameters.addParameter(list);
        break;
      }
      case ParamKind::None:
        break;
    }
  }
}

tresult PLUGIN_API IPluginVST3::setActive(TBool state) {
  core_->ActivationChanged(state != 0);
  return kResultOk;
}

// ---- Controller -------------------------------------------------------------------------------

tresult PLUGIN_API IPluginVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
  // The SDK container indexes with at(), which would throw into the host for a bad index.
  if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kResultFalse;
  return EditController::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IPluginVST3::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                      String128 string) {
  if (!string) return kInvalidArgument;
  if (IsParamIndex(*core_, tag)) {
    if (std::isnan(valueNormalized)) valueNormalized = 0.0;
    const std::string text = core_->GetParam(int(tag))->FormatNormalised(valueNormalized);
    WidenText(text.c_str(), string, 128);
    return kResultOk;
  }
  return EditController::getParamStringByValue(tag, valueNormalized, string);
}

tresult PLUGIN_API IPluginVST3::getParamValueByString(ParamID tag, TChar* string,
                                                      ParamValue& valueNormalized) {
  if (!string) return kInvalidArgument;
  if (IsParamIndex(*core_, tag)) {
    // The words a person types into the host ("50 %", "2 s", "1.5 kHz"), read by the same
    // rules that show the value.
    const IParameter& param = *core_->GetParam(int(tag));
    const auto value = param.ValueFromText(Utf8Text(string, 128));
    if (!value) return kResultFalse;
    valueNormalized = param.ToNormalised(*value);
    return kResultOk;
  }
  return EditController::getParamValueByString(tag, string, valueNormalized);
}

ParamValue PLUGIN_API IPluginVST3::plainParamToNormalized(ParamID tag, ParamValue plainValue) {
  if (IsParamIndex(*core_, tag)) return core_->GetParam(int(tag))->ToNormalised(plainValue);
  return plainValue;
}

ParamValue PLUGIN_API IPluginVST3::getParamNormalized(ParamID tag) {
  if (tag == kBypassParamId) return core_->IsBypassed() ? 1.0 : 0.0;
  if (IsParamIndex(*core_, tag)) return core_->GetParam(int(tag))->Normalised();
  return 0.0;
}

tresult PLUGIN_API IPluginVST3::setParamNormalized(ParamID tag, ParamValue value) {
  if (!IsParamIndex(*core_, tag)) return kResultFalse;
  core_->GetParam(int(tag))->SetFromNormalised(value);
  return kResultOk;
}

IPlugView* PLUGIN_API IPluginVST3::createView(FIDString name) {
  if (!name || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
  // Before the view exists, so a size settled here needs no resize request.
  if (core_->Editor()) core_->EditorAboutToOpen();
  auto* view = new IPluginVST3View(this);  // adds itself to the views list
  return view;
}

void IPluginVST3::AddView(IPluginVST3View* view) {
  std::lock_guard<std::recursive_mutex> lock(viewsMutex_);
  views_.push_back(view);
}

void IPluginVST3::RemoveView(IPluginVST3View* view) {
  std::lock_guard<std::recursive_mutex> lock(viewsMutex_);
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

IPluginVST3View* IPluginVST3::FirstView() { return views_.empty() ? nullptr : views_.front(); }

// ---- Units and the program list ---------------------------------------------------------------

int32 PLUGIN_API IPluginVST3::getUnitCount() {
  return static_cast<int32>(core_->ParamGroups().size()) + 1;
}

tresult PLUGIN_API IPluginVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
  const std::vector<std::string>& groups = core_->ParamGroups();
  if (unitIndex == 0) {
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    WidenText("Root Unit", info.name, 128);
    // The program-change parameter lives in the root unit; hosts find the names of its
    // programs through the unit's program list. Without the link they fall back to the
    // parameter's own value texts and offer programs that do not exist.
    info.programListId = core_->NumPresets() > 0 ? kPresetListId : kNoProgramListId;
    return kResultOk;
  }
  if (unitIndex >= 1 && unitIndex <= static_cast<int32>(groups.size())) {
    info.id = unitIndex;
    info.parentUnitId = kRootUnitId;
    WidenText(groups[size_t(unitIndex - 1)].c_str(), info.name, 128);
    info.programListId = kNoProgramListId;
    return kResultOk;
  }
  return kResultFalse;
}

// The presets form one program list. Hosts enumerate lists by this count, so it has to
// announce the list that getProgramListInfo describes.
int32 PLUGIN_API IPluginVST3::getProgramListCount() { return core_->NumPresets() > 0 ? 1 : 0; }

tresult PLUGIN_API IPluginVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
  if (listIndex != 0 || core_->NumPresets() <= 0) return kResultFalse;
  info.id = kPresetListId;
  WidenText("Factory Presets", info.name, 128);
  info.programCount = core_->NumPresets();
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                               String128 name) {
  if (!name) return kInvalidArgument;
  if (listId != kPresetListId) return kResultFalse;
  const PluginPreset* preset = core_->Preset(programIndex);
  WidenText(preset ? preset->name.c_str() : "", name, 128);
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::getProgramInfo(ProgramListID, int32, Vst::CString, String128) {
  return kNotImplemented;
}

tresult PLUGIN_API IPluginVST3::hasProgramPitchNames(ProgramListID, int32) {
  return kNotImplemented;
}

tresult PLUGIN_API IPluginVST3::getProgramPitchName(ProgramListID, int32, int16, String128) {
  return kNotImplemented;
}

UnitID PLUGIN_API IPluginVST3::getSelectedUnit() { return kRootUnitId; }

tresult PLUGIN_API IPluginVST3::selectUnit(UnitID) { return kNotImplemented; }

tresult PLUGIN_API IPluginVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
  return kNotImplemented;
}

tresult PLUGIN_API IPluginVST3::setUnitProgramData(int32, int32, IBStream*) {
  return kNotImplemented;
}

// ---- What the core asks of the host -----------------------------------------------------------

void IPluginVST3::BeginParamEdit(int index) { beginEdit(static_cast<ParamID>(index)); }

void IPluginVST3::ReportParamChange(int index, double normalised) {
  performEdit(static_cast<ParamID>(index), normalised);
}

void IPluginVST3::EndParamEdit(int index) { endEdit(static_cast<ParamID>(index)); }

bool IPluginVST3::IsOfflineRendering() { return processSetup.processMode == kOffline; }

// The process context is the audio thread's: these answer its questions about the block.
int32_t IPluginVST3::SamplePosition() {
  return static_cast<int32_t>(processContext_.projectTimeSamples);
}

double IPluginVST3::HostTempo() {
  return processContext_.tempo;
}

void IPluginVST3::TimeSignature(int& numerator, int& denominator) {
  numerator = processContext_.timeSigNumerator;
  denominator = processContext_.timeSigDenominator;
}

void IPluginVST3::FillTimeInfo(TimeInfo& info) {
  const ProcessContext& c = processContext_;
  info.tempo = c.tempo;
  info.samplePosition = static_cast<double>(c.projectTimeSamples);
  info.ppqPosition = c.projectTimeMusic;
  info.lastBarPosition = c.barPositionMusic;
  info.cycleStart = c.cycleStartMusic;
  info.cycleEnd = c.cycleEndMusic;
  info.numerator = c.timeSigNumerator;
  info.denominator = c.timeSigDenominator;
  info.transportRunning = (c.state & ProcessContext::kPlaying) != 0;
  info.cycleActive = (c.state & ProcessContext::kCycleActive) != 0;
}

void IPluginVST3::ResizeEditor(int width, int height) {
  if (!core_->Editor()) return;
  std::lock_guard<std::recursive_mutex> lock(viewsMutex_);
  IPluginVST3View* view = FirstView();
  if (!view) return;
  view->ExpectResize();
  if (IPlugFrame* frame = view->Frame()) {
    ViewRect rect(0, 0, width, height);
    frame->resizeView(view, &rect);
  }
}

bool IPluginVST3::SendMidi(const MidiMessage& /*message*/) { return false; }

void IPluginVST3::ShowHostParamMenu(int index, int x, int y) {
  if (!componentHandler || index < 0) return;
  std::lock_guard<std::recursive_mutex> lock(viewsMutex_);
  IPluginVST3View* view = FirstView();
  if (!view) return;
  IComponentHandler3* handler3 = nullptr;
  if (componentHandler->queryInterface(IComponentHandler3::iid,
                                       reinterpret_cast<void**>(&handler3)) != kResultOk ||
      !handler3) {
    return;
  }
  const ParamID id = static_cast<ParamID>(index);
  if (IContextMenu* menu = handler3->createContextMenu(view, &id)) {
    menu->popup(x, y);
    menu->release();
  }
  handler3->release();
}

void IPluginVST3::ReportPresetChange() {
  if (componentHandler) componentHandler->restartComponent(kParamValuesChanged);
}

void IPluginVST3::LatencyChanged(int /*frames*/) {
  if (componentHandler) componentHandler->restartComponent(kLatencyChanged);
}

}  // namespace fluvia
