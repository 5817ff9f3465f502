// The audio block and parameter flushes: the host's events go to the core at their frame
// (notes and MIDI as MIDI messages, parameter values as parameter points), the host's output
// buffers are attached and the core renders the block; then the editor's queued edits go to
// the host. The audio thread takes no lock here: what the other threads change reaches it
// through the core's hand-over.

#include <algorithm>
#include <cmath>

#include "adapters/clap/plugin_clap.h"

namespace fluvia {
namespace {

// MIDI data bytes and channels are 7 and 4 bits; anything else cannot be a MIDI note.
bool IsMidiNote(int channel, int key) {
  return channel >= 0 && channel <= 15 && key >= 0 && key <= 127;
}

uint8_t VelocityByte(double velocity) {
  if (!(velocity > 0.0)) return 0;  // also NaN
  if (velocity >= 1.0) return 127;
  return static_cast<uint8_t>(velocity * 127.0);
}

template <typename Event>
const Event* EventAs(const clap::EventHeader* header) {
  return header->size >= sizeof(Event) ? reinterpret_cast<const Event*>(header) : nullptr;
}

template <typename Sample>
bool IsSilent(const Sample* channel, uint32_t frames) {
  for (uint32_t i = 0; i < frames; ++i) {
    if (channel[i] != Sample(0)) return false;
  }
  return true;
}

template <typename Sample>
void Silence(Sample* channel, uint32_t frames) {
  if (channel) std::fill(channel, channel + frames, Sample(0));
}

}  // namespace

clap::ProcessStatus IPluginCLAP::Process(const clap::Process* process) {
  if (!process || !Active()) return clap::kProcessError;
  CheckAudioThread();
  // A host that forgot start_processing gets what it meant rather than a silent error.
  if (stage_ != Stage::Processing) stage_ = Stage::Processing;
  const uint32_t frames = process->framesCount;

  AudioThreadScope audio(*core_);
  RunPendingReset();
  hasTransport_ = process->transport != nullptr;
  if (hasTransport_) transport_ = *process->transport;
  HandleInputEvents(process->inEvents, frames, true);
  ConnectOutputs(*process);
  const int n = int(std::min<uint32_t>(frames, INT32_MAX));
  if (core_->IsBypassed()) {
    core_->PassThroughBuffers(n);  // a state saved bypassed, as the VST3 module plays it
  } else {
    core_->ProcessBuffers(n);
  }

  // Channels beyond the core's own (a host offering more than two) hear silence, and the
  // constant mask tells the host which channels are silent.
  for (uint32_t b = 0; process->audioOutputs && b < process->audioOutputsCount; ++b) {
    clap::AudioBuffer& bus = process->audioOutputs[b];
    const uint32_t written = b == 0 ? std::min<uint32_t>(bus.channelCount, uint32_t(core_->NumOutputs())) : 0;
    uint64_t constant = 0;
    for (uint32_t c = 0; c < bus.channelCount; ++c) {
      bool silent = true;
      if (bus.data64 && bus.data64[c]) {
        if (c >= written) Silence(bus.data64[c], frames);
        silent = IsSilent(bus.data64[c], frames);
      } else if (bus.data32 && bus.data32[c]) {
        if (c >= written) Silence(bus.data32[c], frames);
        silent = IsSilent(bus.data32[c], frames);
      }
      if (silent && c < 64) constant |= uint64_t(1) << c;
    }
    bus.constantMask = constant;
  }
  PassEditsToHost(process->outEvents);
  return clap::kProcessContinue;
}

void IPluginCLAP::Flush(const clap::InputEvents* in, const clap::OutputEvents* out) {
  // CLAP flushes on the audio thread while the plug-in is active, else on the main thread.
  if (Active()) {
    CheckAudioThread();
  } else {
    OnMainThread("params.flush");
  }
  if (Processing()) {
    // Between two blocks on the audio thread: handled as processing is, a block of no frames
    // that renders nothing and applies every parameter value.
    AudioThreadScope audio(*core_);
    HandleInputEvents(in, 0, false);
    core_->ProcessBuffers(0);
  } else {
    // Processing stopped: the values are set at once and reach the sound at the next block
    // start (or with activation), as a VST2 host's set-parameter does; nothing waits.
    HandleFlushedValues(in);
  }
  PassEditsToHost(out);
}

void IPluginCLAP::HandleFlushedValues(const clap::InputEvents* in) {
  if (!in || !in->size || !in->get) return;
  const uint32_t count = in->size(in);
  for (uint32_t i = 0; i < count; ++i) {
    const clap::EventHeader* header = in->get(in, i);
    if (!header || header->size < sizeof(clap::EventHeader)) continue;
    if (header->spaceId != clap::kCoreEventSpace || header->type != clap::kEventParamValue) {
      continue;
    }
    const auto* event = EventAs<clap::EventParamValue>(header);
    if (!event || !std::isfinite(event->value)) continue;
    if (event->paramId == kClapPresetParamId) {
      // Restoring a preset takes the instance mutex: the worker does it.
      const double index = std::floor(event->value);
      if (index >= 0.0 && index < double(core_->NumPresets())) {
        core_->DeferToWorker({DeferredCommand::Kind::RestorePreset, int32_t(index), 0.0});
      }
      continue;
    }
    if (event->paramId >= clap::Id(core_->NumParams())) continue;
    const IParameter* param = core_->GetParam(int(event->paramId));
    core_->SetParamWithoutWaiting(int(event->paramId), param->ToNormalised(event->value));
  }
}

void IPluginCLAP::HandleInputEvents(const clap::InputEvents* in, uint32_t /*frames*/,
                                    bool withNotes) {
  if (!in || !in->size || !in->get) return;
  const uint32_t count = in->size(in);
  for (uint32_t i = 0; i < count; ++i) {
    const clap::EventHeader* header = in->get(in, i);
    if (!header || header->size < sizeof(clap::EventHeader)) continue;
    if (header->spaceId != clap::kCoreEventSpace) continue;
    switch (header->type) {
      case clap::kEventNoteOn:
      case clap::kEventNoteOff:
      case clap::kEventNoteChoke:
        if (const auto* note = EventAs<clap::EventNote>(header); note && withNotes) {
          HandleNote(*note, header->type);
        }
        break;
      case clap::kEventMidi:
        if (const auto* midi = EventAs<clap::EventMidi>(header); midi && withNotes) {
          HandleMidi(*midi);
        }
        break;
      case clap::kEventParamValue:
        if (const auto* value = EventAs<clap::EventParamValue>(header)) HandleParamValue(*value);
        break;
      default:
        // Modulation, gestures, expressions, transport updates inside the block, system
        // exclusive and MIDI 2.0: nothing of this instrument listens to them.
        break;
    }
  }
}

void IPluginCLAP::HandleNote(const clap::EventNote& note, uint16_t type) {
  MidiMessage message;
  // The offset goes to the instrument as the host gave it: one at or beyond the block's end
  // waits in the instrument's queue for the block that holds that frame.
  message.offset = int32_t(std::min<uint32_t>(note.header.time, INT32_MAX));
  if (type == clap::kEventNoteChoke && (note.key < 0 || note.channel < 0)) {
    // A choke of every note: all notes off on the instrument's channel.
    message.status = 0xB0;
    message.data1 = 123;
    core_->ProcessMidi(message);
    return;
  }
  if (!IsMidiNote(note.channel, note.key)) return;
  if (type == clap::kEventNoteOn) {
    message.status = static_cast<uint8_t>(0x90 | note.channel);
    message.data1 = static_cast<uint8_t>(note.key);
    message.data2 = VelocityByte(note.velocity);
  } else {
    // Note off and the choke of one key both end that key.
    message.status = static_cast<uint8_t>(0x80 | note.channel);
    message.data1 = static_cast<uint8_t>(note.key);
    message.data2 = 0;
  }
  core_->ProcessMidi(message);
}

void IPluginCLAP::HandleMidi(const clap::EventMidi& midi) {
  // Channel messages only: system messages carry nothing for the instrument.
  const uint8_t status = midi.data[0];
  if (status < 0x80 || status >= 0xF0) return;
  MidiMessage message;
  message.offset = int32_t(std::min<uint32_t>(midi.header.time, INT32_MAX));
  message.status = status;
  message.data1 = static_cast<uint8_t>(midi.data[1] & 0x7F);
  message.data2 = static_cast<uint8_t>(midi.data[2] & 0x7F);
  core_->ProcessMidi(message);
}

void IPluginCLAP::HandleParamValue(const clap::EventParamValue& event) {
  if (!std::isfinite(event.value)) return;
  const int32_t offset = int32_t(std::min<uint32_t>(event.header.time, INT32_MAX));
  if (event.paramId == kClapPresetParamId) {
    // A program change acts on the whole block, as in the VST3 module.
    const double index = std::floor(event.value);
    if (index >= 0.0 && index < double(core_->NumPresets())) {
      core_->RestorePreset(static_cast<int>(index));
    }
    return;
  }
  if (event.paramId >= clap::Id(core_->NumParams())) return;
  const IParameter* param = core_->GetParam(int(event.paramId));
  core_->AddParamPoint(int(event.paramId), param->ToNormalised(event.value), offset);
}

void IPluginCLAP::ConnectOutputs(const clap::Process& process) {
  const int numOutputs = core_->NumOutputs();
  int connected = 0;
  if (process.audioOutputs && process.audioOutputsCount > 0) {
    const clap::AudioBuffer& main = process.audioOutputs[0];
    connected = int(std::min<uint32_t>(main.channelCount, uint32_t(numOutputs)));
    if (main.data64) {
      core_->SetOutputChannelConnections(0, connected, true);
      core_->AttachOutputBuffers(0, connected, main.data64);
    } else if (main.data32) {
      core_->SetOutputChannelConnections(0, connected, true);
      core_->AttachOutputBuffers(0, connected, main.data32);
    } else {
      connected = 0;
    }
  }
  core_->SetOutputChannelConnections(connected, numOutputs - connected, false);
}

void IPluginCLAP::PassEditsToHost(const clap::OutputEvents* out) {
  if (!out || !out->tryPush) return;
  ParamEdit edit;
  while (edits_.Peek(edit)) {
    bool pushed = false;
    if (edit.kind == ParamEdit::Kind::Value) {
      clap::EventParamValue event{};
      event.header = {sizeof(event), 0, clap::kCoreEventSpace, clap::kEventParamValue, 0};
      event.paramId = clap::Id(edit.index);
      event.noteId = -1;
      event.portIndex = -1;
      event.channel = -1;
      event.key = -1;
      event.value = edit.value;
      pushed = out->tryPush(out, &event.header);
    } else {
      clap::EventParamGesture event{};
      const uint16_t type = edit.kind == ParamEdit::Kind::Begin ? clap::kEventParamGestureBegin
                                                               : clap::kEventParamGestureEnd;
      event.header = {sizeof(event), 0, clap::kCoreEventSpace, type, 0};
      event.paramId = clap::Id(edit.index);
      pushed = out->tryPush(out, &event.header);
    }
    // A host that has no room now gets the edit with the next block.
    if (!pushed) break;
    edits_.Pop();
  }
}

}  // namespace fluvia
