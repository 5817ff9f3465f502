// Bus layout, processing setup and the audio block.

#include <algorithm>
#include <cmath>
#include <new>

#include "adapters/vst3/plugin_vst3.h"
#include "adapters/vst3/speaker_layout.h"
#include "adapters/vst3/text_utf16.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace fluvia {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// MIDI data bytes and channels are 7 and 4 bits; anything else cannot be a MIDI note.
bool IsMidiNote(int16 channel, int16 pitch) {
  return channel >= 0 && channel <= 15 && pitch >= 0 && pitch <= 127;
}

uint8 VelocityByte(float velocity) {
  if (!(velocity > 0.0f)) return 0;  // also NaN
  if (velocity >= 1.0f) return 127;
  return static_cast<uint8>(velocity * 127.0f);
}

// A host bus arrangement replaced by the plug-in's own layout for the same channel count;
// counts the layout table does not know keep the host's arrangement.
SpeakerArrangement LayoutFor(SpeakerArrangement requested) {
  const SpeakerArrangement known = SpeakerArrangementFor(ChannelCountOf(requested));
  return known != 0 ? known : requested;
}

void ReplaceBus(BusList& list, size_t index, const char* name, SpeakerArrangement arrangement,
                BusType type, int32 flags) {
  String128 title;
  WidenText(name, title, 128);
  const bool active = list[index]->isActive() != 0;
  auto* bus = new AudioBus(title, type, flags, arrangement);
  bus->setActive(active);
  list[index] = IPtr<Vst::Bus>(bus, false);
}

template <typename Sample>
void ZeroChannel(Sample* channel, int32 frames) {
  if (channel) std::fill(channel, channel + frames, Sample(0));
}

template <typename Sample>
bool IsSilent(const Sample* channel, int32 frames) {
  for (int32 i = 0; i < frames; ++i) {
    if (channel[i] != Sample(0)) return false;
  }
  return true;
}

template <typename Sample>
Sample* const* BusChannels(const AudioBusBuffers& bus);
template <>
float* const* BusChannels<float>(const AudioBusBuffers& bus) { return bus.channelBuffers32; }
template <>
double* const* BusChannels<double>(const AudioBusBuffers& bus) { return bus.channelBuffers64; }

}  // namespace

// ---- Bus layout and setup ---------------------------------------------------------------------

tresult PLUGIN_API IPluginVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) {
    return kInvalidArgument;
  }
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  core_->SetInputChannelConnections(0, core_->NumInputs(), false);
  core_->SetOutputChannelConnections(0, core_->NumOutputs(), false);
  try {
    if (numIns > 0 && !audioInputs.empty()) {
      AudioBus* main = audioBus(kInput, 0);
      if (main && ChannelCountOf(main->getArrangement()) != ChannelCountOf(inputs[0])) {
        ReplaceBus(audioInputs, 0, "Input", LayoutFor(inputs[0]), kMain, BusInfo::kDefaultActive);
      }
    }
    if (numOuts > 0 && !audioOutputs.empty()) {
      AudioBus* main = audioBus(kOutput, 0);
      if (main && ChannelCountOf(main->getArrangement()) != ChannelCountOf(outputs[0])) {
        ReplaceBus(audioOutputs, 0, "Output", LayoutFor(outputs[0]), kMain,
                   BusInfo::kDefaultActive);
      }
    }
    if (sideChainChannels_ > 0 && numIns == 2 && audioInputs.size() >= 2) {
      AudioBus* aux = audioBus(kInput, 1);
      if (aux && ChannelCountOf(aux->getArrangement()) != ChannelCountOf(inputs[1])) {
        ReplaceBus(audioInputs, 1, "Sidechain Input", LayoutFor(inputs[1]), kAux, 0);
      }
    }
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::canProcessSampleSize(int32 symbolicSampleSize) {
  return (symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64) ? kResultTrue
                                                                              : kResultFalse;
}

uint32 PLUGIN_API IPluginVST3::getLatencySamples() {
  return static_cast<uint32>(std::max(core_->Latency(), 0));
}

uint32 PLUGIN_API IPluginVST3::getTailSamples() {
  return static_cast<uint32>(std::max(core_->TailSize(), 0));
}

tresult PLUGIN_API IPluginVST3::setupProcessing(ProcessSetup& setup) {
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  // The engine derives all its timing from the rate; one it cannot divide by is refused.
  if (!std::isfinite(setup.sampleRate) || setup.sampleRate <= 0.0 ||
      setup.maxSamplesPerBlock < 0) {
    return kInvalidArgument;
  }
  std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
  try {
    core_->SetBypassed(false);
    core_->SetSampleRate(setup.sampleRate);
    core_->SetMaxBlockSize(setup.maxSamplesPerBlock);
    core_->ResetDsp();
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  processSetup = setup;
  return kResultOk;
}

// ---- The audio block --------------------------------------------------------------------------

tresult PLUGIN_API IPluginVST3::process(ProcessData& data) {
  const bool doublePrecision = data.symbolicSampleSize == kSample64;
  if (!doublePrecision && data.symbolicSampleSize != kSample32) return kInvalidArgument;
  if (data.numSamples < 0) return kInvalidArgument;

  // The audio thread takes no lock: what other threads changed reaches it through the core.
  AudioThreadScope audio(*core_);
  if (data.processContext) processContext_ = *data.processContext;
  ApplyParameterChanges(data.inputParameterChanges);
  if (core_->TakesMidi()) ForwardMidiEvents(data.inputEvents, data.numSamples);

  ConnectInputs(data);
  ConnectOutputs(data, doublePrecision);
  if (core_->IsBypassed()) {
    core_->PassThroughBuffers(data.numSamples);
  } else {
    core_->ProcessBuffers(data.numSamples);
  }
  SilenceUnusedOutputs(data, doublePrecision);
  UpdateSilenceFlags(data, doublePrecision);
  return kResultOk;
}

void IPluginVST3::ApplyParameterChanges(IParameterChanges* changes) {
  if (!changes) return;
  const int32 count = changes->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    IParamValueQueue* queue = changes->getParameterData(i);
    if (!queue) continue;
    const int32 points = queue->getPointCount();
    if (points <= 0) continue;
    const ParamID id = queue->getParameterId();

    if (id == kBypassParamId || id == kPresetParamId) {
      // Bypass and program changes act on the whole block: the last point counts.
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(points - 1, offset, value) != kResultOk) continue;
      if (id == kBypassParamId) {
        core_->SetBypassed(value > 0.5);
      } else {
        // Compared as a double first: a huge or NaN value must not reach the integer
        // conversion.
        const double index = std::floor(value * core_->NumPresets());
        if (index >= 0.0 && index < double(core_->NumPresets())) {
          core_->RestorePreset(static_cast<int>(index));
        }
      }
    } else if (id < static_cast<ParamID>(core_->NumParams())) {
      // Every point takes effect at its own frame of the block.
      for (int32 p = 0; p < points; ++p) {
        int32 offset = 0;
        ParamValue value = 0.0;
        if (queue->getPoint(p, offset, value) != kResultOk) continue;
        core_->AddParamPoint(static_cast<int>(id), value, offset);
      }
    }
  }
}

void IPluginVST3::ForwardMidiEvents(IEventList* events, int32) {
  if (!events) return;
  const int32 count = events->getEventCount();
  for (int32 i = 0; i < count; ++i) {
    Event event{};
    if (events->getEvent(i, event) != kResultOk) continue;
    MidiMessage message;
    // The offset goes to the instrument as the host gave it: one at or beyond the block's end
    // waits in the instrument's queue for the block that holds that frame.
    message.offset = event.sampleOffset;
    if (event.type == Event::kNoteOnEvent) {
      if (!IsMidiNote(event.noteOn.channel, event.noteOn.pitch)) continue;
      message.status = static_cast<uint8>(0x90 | event.noteOn.channel);
      message.data1 = static_cast<uint8>(event.noteOn.pitch);
      message.data2 = VelocityByte(event.noteOn.velocity);
    } else if (event.type == Event::kNoteOffEvent) {
      if (!IsMidiNote(event.noteOff.channel, event.noteOff.pitch)) continue;
      message.status = static_cast<uint8>(0x80 | event.noteOff.channel);
      message.data1 = static_cast<uint8>(event.noteOff.pitch);
      message.data2 = 0;
    } else {
      continue;
    }
    core_->ProcessMidi(message);
  }
}

void IPluginVST3::ConnectInputs(const ProcessData& data) {
  const int numInputs = core_->NumInputs();
  if (data.numInputs <= 0 || !data.inputs) {
    // Nothing from the host this block: the inputs read silence, not the previous block.
    core_->SetInputChannelConnections(0, numInputs, false);
    return;
  }
  const bool doublePrecision = data.symbolicSampleSize == kSample64;
  const int mainChannels = numInputs - sideChainChannels_;
  const AudioBusBuffers& main = data.inputs[0];
  // A bus without channel arrays delivers nothing: its channels read silence rather than
  // what they held from an earlier block.
  const bool hasArrays = doublePrecision ? main.channelBuffers64 != nullptr
                                         : main.channelBuffers32 != nullptr;
  const int connected =
      hasArrays ? std::clamp(static_cast<int>(main.numChannels), 0, mainChannels) : 0;

  if (sideChainChannels_ > 0 && data.numInputs > 1) {
    AudioBus* aux = audioBus(kInput, 1);
    const bool auxActive = aux && aux->isActive();
    if (auxActive) {
      core_->SetInputChannelConnections(0, numInputs, true);
      sideChainActive_ = true;
    } else {
      if (sideChainActive_) core_->ZeroScratchBuffers();
      sideChainActive_ = false;
      core_->SetInputChannelConnections(0, mainChannels, true);
      core_->SetInputChannelConnections(mainChannels, sideChainChannels_, false);
    }
  } else {
    core_->SetInputChannelConnections(0, connected, true);
    core_->SetInputChannelConnections(connected, numInputs - connected, false);
  }

  if (doublePrecision) {
    core_->AttachInputBuffers(0, connected, BusChannels<double>(main));
  } else {
    core_->AttachInputBuffers(0, connected, BusChannels<float>(main));
  }
  if (sideChainActive_ && data.numInputs > 1) {
    const AudioBusBuffers& aux = data.inputs[1];
    const int auxChannels = std::clamp(static_cast<int>(aux.numChannels), 0, sideChainChannels_);
    if (doublePrecision) {
      core_->AttachInputBuffers(mainChannels, auxChannels, BusChannels<double>(aux));
    } else {
      core_->AttachInputBuffers(mainChannels, auxChannels, BusChannels<float>(aux));
    }
  }
}

int IPluginVST3::CoreChannelsOfOutputBus(const ProcessData& data, int bus) {
  int first = 0;
  for (int b = 0; b < bus; ++b) first += std::max(static_cast<int>(data.outputs[b].numChannels), 0);
  AudioBus* own = audioBus(kOutput, bus);
  if (!own || !own->isActive()) return 0;
  const int available = std::max(core_->NumOutputs() - first, 0);
  return std::clamp(static_cast<int>(data.outputs[bus].numChannels), 0, available);
}

void IPluginVST3::ConnectOutputs(const ProcessData& data, bool doublePrecision) {
  const int numOutputs = core_->NumOutputs();
  int channel = 0;
  if (data.outputs) {
    for (int b = 0; b < data.numOutputs && channel < numOutputs; ++b) {
      const AudioBusBuffers& bus = data.outputs[b];
      const int busChannels = std::max(static_cast<int>(bus.numChannels), 0);
      const int n = std::min(busChannels, numOutputs - channel);
      AudioBus* own = audioBus(kOutput, b);
      const bool active = own && own->isActive();
      core_->SetOutputChannelConnections(channel, n, active);
      if (active) {
        if (doublePrecision) {
          core_->AttachOutputBuffers(channel, n, BusChannels<double>(bus));
        } else {
          core_->AttachOutputBuffers(channel, n, BusChannels<float>(bus));
        }
      }
      channel += n;
    }
  }
  core_->SetOutputChannelConnections(channel, numOutputs - channel, false);
}

// Host channels the core did not write (inactive buses, channels beyond the plug-in's own)
// would otherwise hand the host whatever its buffers held before.
void IPluginVST3::SilenceUnusedOutputs(const ProcessData& data, bool doublePrecision) {
  if (!data.outputs || data.numSamples <= 0) return;
  for (int b = 0; b < data.numOutputs; ++b) {
    const AudioBusBuffers& bus = data.outputs[b];
    const int written = CoreChannelsOfOutputBus(data, b);
    for (int c = written; c < bus.numChannels; ++c) {
      if (doublePrecision) {
        if (bus.channelBuffers64) ZeroChannel(bus.channelBuffers64[c], data.numSamples);
      } else {
        if (bus.channelBuffers32) ZeroChannel(bus.channelBuffers32[c], data.numSamples);
      }
    }
  }
}

void IPluginVST3::UpdateSilenceFlags(ProcessData& data, bool doublePrecision) {
  if (!data.outputs || data.numSamples <= 0) return;
  for (int b = 0; b < data.numOutputs; ++b) {
    AudioBusBuffers& bus = data.outputs[b];
    uint64 flags = 0;
    const int channels = std::min(static_cast<int>(bus.numChannels), 64);
    for (int c = 0; c < channels; ++c) {
      bool silent = true;
      if (doublePrecision) {
        if (bus.channelBuffers64 && bus.channelBuffers64[c]) {
          silent = IsSilent(bus.channelBuffers64[c], data.numSamples);
        }
      } else {
        if (bus.channelBuffers32 && bus.channelBuffers32[c]) {
          silent = IsSilent(bus.channelBuffers32[c], data.numSamples);
        }
      }
      if (silent) flags |= uint64(1) << c;
    }
    bus.silenceFlags = flags;
  }
}

}  // namespace fluvia
