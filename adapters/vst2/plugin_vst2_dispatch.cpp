// The dispatcher: every opcode a VST2 host sends. The events opcode comes on the audio thread
// and is answered as part of its processing; questions about fixed facts are answered without
// a lock (hosts ask some of them from the audio thread too); everything else under the
// instance mutex.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "adapters/vst2/host_text.h"
#include "adapters/vst2/plugin_vst2.h"

namespace fluvia {
namespace {

constexpr uint32_t kChunkMagic = 0x70666674;  // the bytes "tffp" in file order
constexpr int32_t kChunkVersion = 0x00010000;
// The largest block the scratch buffers are sized for; longer host blocks run in pieces.
constexpr intptr_t kLargestBlockSize = 1 << 16;

// A host's value that must name an int (a program, a parameter): anything outside the int
// range names nothing.
int IndexFrom(intptr_t value) {
  return (value >= 0 && value <= 0x7FFFFFFF) ? static_cast<int>(value) : -1;
}

// The opcodes that change the instance or read what other calls change (presets, state,
// setup, the editor, the channel layout). The others read only fixed facts or parameter
// values (atomics), or do nothing: they take no lock, so a host that sends them from its
// audio thread never waits.
bool NeedsInstanceMutex(int32_t opcode) {
  switch (opcode) {
    case vst2::kOpen:
    case vst2::kSetProgram:
    case vst2::kGetProgram:
    case vst2::kSetProgramName:
    case vst2::kGetProgramName:
    case vst2::kGetProgramNameIndexed:
    case vst2::kString2Parameter:
    case vst2::kSetSampleRate:
    case vst2::kSetBlockSize:
    case vst2::kMainsChanged:
    case vst2::kEditGetRect:
    case vst2::kEditOpen:
    case vst2::kEditClose:
    case vst2::kGetChunk:
    case vst2::kSetChunk:
    case vst2::kSetSpeakerArrangement:
    case vst2::kGetSpeakerArrangement:
    case vst2::kGetMidiKeyName:
      return true;
    default:
      return false;
  }
}

bool IsMidiCapability(const char* text) {
  for (const char* name :
       {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent"}) {
    if (!std::strcmp(text, name)) return true;
  }
  return false;
}

}  // namespace

intptr_t IPluginVST2::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float option) {
  if (opcode == vst2::kClose) {
    // The host gives up the record: nothing may touch the instance afterwards. A call still
    // running on another thread finishes first; the mutex is released before the instance
    // (and with it the mutex) is destroyed.
    { std::lock_guard<std::recursive_mutex> wait(core_->Mutex()); }
    delete this;
    return 0;
  }
  // The host's idle calls drive the editor on its UI thread. They do not take the instance
  // mutex, so a redraw or a menu in the editor never holds up the audio thread; the editor
  // takes the mutex itself where it changes the plug-in.
  if (opcode == vst2::kEditIdle) {
    if (IEditorLink* editor = core_->Editor()) editorPlatform_.Idle(*editor);
    return 0;
  }
  try {
    if (opcode == vst2::kProcessEvents) {
      // Hosts send the block's events on the audio thread, just before processing it.
      AudioThreadScope audio(*core_);
      return ProcessEvents(static_cast<const vst2::EventList*>(ptr));
    }
    if (!NeedsInstanceMutex(opcode)) return Answer(opcode, index, value, ptr, option);
    std::lock_guard<std::recursive_mutex> lock(core_->Mutex());
    return Answer(opcode, index, value, ptr, option);
  } catch (...) {
    // Nothing may unwind into the host (an allocation failing, for instance).
    return 0;
  }
}

intptr_t IPluginVST2::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                     float option) {
  IPluginCore& core = *core_;
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case vst2::kOpen:
      HostOpened();
      for (int i = 0; i < core.NumParams(); ++i) core.ParamChanged(i);
      return 0;

    case vst2::kSetProgram:
      core.ModifyCurrentPreset(nullptr);
      core.RestorePreset(IndexFrom(value));
      return 0;
    case vst2::kGetProgram:
      return core.CurrentPreset();
    case vst2::kSetProgramName:
      if (text) {
        const std::string name(text, strnlen(text, PluginPreset::kNameLength - 1));
        core.ModifyCurrentPreset(name.c_str());
        core.PresetsChanged();
      }
      return 0;
    case vst2::kGetProgramName:
      CopyToHost(text, vst2::kProgramNameBytes, core.PresetName(core.CurrentPreset()));
      return 0;
    case vst2::kGetProgramNameIndexed: {
      if (!text) return 0;
      const std::string name = core.PresetName(index);
      CopyToHost(text, vst2::kProgramNameBytes, name);
      return name.empty() ? 0 : 1;
    }

    case vst2::kGetParamLabel:
      if (const IParameter* param = core.GetParam(index)) {
        CopyToHost(text, vst2::kParamTextBytes, param->UnitLabel());
      }
      return 0;
    case vst2::kGetParamDisplay:
      if (const IParameter* param = core.GetParam(index)) {
        CopyToHost(text, vst2::kParamTextBytes, param->FormatValue());
      }
      return 0;
    case vst2::kGetParamName:
      if (const IParameter* param = core.GetParam(index)) {
        CopyToHost(text, vst2::kParamTextBytes, param->DisplayName());
      }
      return 0;
    case vst2::kCanBeAutomated: {
      // VST2 has no hidden parameters: the others keep their index and only refuse automation.
      const IParameter* param = core.GetParam(index);
      return param && param->Automatable() ? 1 : 0;
    }
    case vst2::kString2Parameter:
      return StringToParameter(index, text);

    case vst2::kSetSampleRate:
      // The engine derives all its timing from the rate; a rate it cannot divide by is
      // refused and the previous one kept.
      if (!std::isfinite(option) || option <= 0.0f) return 0;
      core.SetSampleRate(static_cast<double>(option));
      core.ResetDsp();
      return 0;
    case vst2::kSetBlockSize:
      core.SetMaxBlockSize(static_cast<int>(std::clamp<intptr_t>(value, 0, kLargestBlockSize)));
      core.ResetDsp();
      return 0;
    case vst2::kMainsChanged:
      if (value != 0) {
        core.ActivationChanged(true);
      } else {
        core.ActivationChanged(false);
        core.ResetDsp();
      }
      return 0;

    case vst2::kEditGetRect:
    case vst2::kEditOpen:
    case vst2::kEditClose:
      return DispatchEditor(opcode, ptr);

    case vst2::kIdentify:
      return vst2::kIdentifyAnswer;
    case vst2::kGetChunk:
      return GetChunk(index != 0, static_cast<void**>(ptr));
    case vst2::kSetChunk:
      return SetChunk(index != 0, ptr, value);

    case vst2::kGetInputProperties:
    case vst2::kGetOutputProperties:
      return PinProperties(opcode == vst2::kGetInputProperties, index,
                           static_cast<vst2::PinProperties*>(ptr));
    case vst2::kGetPlugCategory:
      return core.IsInstrument() ? vst2::kCategorySynth : vst2::kCategoryEffect;
    case vst2::kSetSpeakerArrangement:
      SetSpeakerArrangement(reinterpret_cast<const vst2::SpeakerArrangement*>(value),
                            static_cast<const vst2::SpeakerArrangement*>(ptr));
      return 1;
    case vst2::kGetSpeakerArrangement:
      if (value) *reinterpret_cast<vst2::SpeakerArrangement**>(value) = &inputArrangement_;
      if (ptr) *static_cast<vst2::SpeakerArrangement**>(ptr) = &outputArrangement_;
      return 1;

    case vst2::kGetEffectName:
      CopyToHost(text, vst2::kEffectNameBytes, core.EffectName());
      return text ? 1 : 0;
    case vst2::kGetVendorString:
      CopyToHost(text, vst2::kVendorTextBytes, core.ManufacturerName());
      return text ? 1 : 0;
    case vst2::kGetProductString:
      CopyToHost(text, vst2::kProductTextBytes, core.ProductName());
      return text ? 1 : 0;
    case vst2::kGetVendorVersion:
      return effect_.version;
    case vst2::kVendorSpecific:
      if (index == 7 && text) {
        const IParameter* param = core.GetParam(IndexFrom(value));
        const double normalised = static_cast<double>(option);
        CopyToHost(text, vst2::kParamTextBytes, param ? param->FormatNormalised(normalised) : "");
        return vst2::kVendorSpecificAnswer;
      }
      if (index == 8) {
        const IParameter* param = core.GetParam(IndexFrom(value));
        return (param && param->Kind() != ParamKind::Double) ? vst2::kVendorSpecificAnswer : 0;
      }
      return 0;
    case vst2::kCanDo:
      if (!text) return 0;
      if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
      return (core.TakesMidi() && IsMidiCapability(text)) ? 1 : 0;
    case vst2::kGetTailSize:
      return core.TailSize();
    case vst2::kGetVstVersion:
      return vst2::kVstVersion;
    case vst2::kGetMidiKeyName: {
      auto* key = static_cast<vst2::MidiKeyName*>(ptr);
      if (!key) return 0;
      // The instrument writes at most a short note name; it gets a full, cleared record.
      std::memset(key->keyName, 0, sizeof(key->keyName));
      char name[vst2::kKeyNameBytes * 2] = {};
      const bool named = core.NoteNameFor(key->keyNumber, name);
      CopyToHost(key->keyName, vst2::kKeyNameBytes, name);
      return named ? 1 : 0;
    }
    case vst2::kProcessVarIo:
    case vst2::kIdle:
    default:
      return 0;
  }
}

void IPluginVST2::HostOpened() {
  if (opened_) return;
  opened_ = true;
  const HostKind kind = core_->HostKindOf();
  // These hosts offer every input of a multi-channel plug-in as a side chain; only the main
  // pair stays connected, and every output is offered to them.
  if (kind == 15 || kind == 17 || kind == 18 || kind == 20) {
    core_->SetInputChannelConnections(2, core_->NumInputs() - 2, false);
    if (core_->NumOutputs() > 2) {
      core_->SetOutputChannelConnections(2, core_->NumOutputs() - 2, true);
    }
  }
  UpdateChannelCounts();
  core_->HostIdentified();
}

intptr_t IPluginVST2::DispatchEditor(int32_t opcode, void* ptr) {
  IEditorLink* editor = core_->Editor();
  if (!editor) return 0;
  switch (opcode) {
    case vst2::kEditGetRect:
      if (!ptr) return 0;
      // Hosts ask before they open the editor: its size is settled on the screen now.
      if (!editor->WindowIsOpen()) {
        core_->EditorAboutToOpen();
        UpdateEditRect();
      }
      *static_cast<vst2::Rect**>(ptr) = &editRect_;
      return 1;
    case vst2::kEditOpen:
      if (editor->WindowIsOpen()) editorPlatform_.Close(*editor);
      if (!editorPlatform_.Open(*editor, ptr)) return 0;
      core_->EditorOpened();
      return 1;
    case vst2::kEditClose:
      core_->EditorClosed();
      editorPlatform_.Close(*editor);
      return 1;
    default:
      return 0;
  }
}

intptr_t IPluginVST2::GetChunk(bool program, void** data) {
  if (!data) return 0;
  StateChunk& chunk = program ? programChunk_ : bankChunk_;
  chunk.Clear();
  chunk.PutInt32(static_cast<int32_t>(kChunkMagic));
  chunk.PutInt32(kChunkVersion);
  bool saved;
  if (program) {
    saved = core_->SaveState(chunk);
  } else {
    core_->ModifyCurrentPreset(nullptr);
    saved = core_->SerializePresets(chunk);
  }
  if (!saved || chunk.Size() == 0) return 0;
  *data = chunk.Data();
  return chunk.Size();
}

intptr_t IPluginVST2::SetChunk(bool program, const void* data, intptr_t size) {
  if (!data || size < 0 || size > 0x7FFFFFFF) return 0;
  StateChunk& chunk = program ? programChunk_ : bankChunk_;
  chunk.Clear();
  chunk.PutBytes(data, static_cast<int>(size));
  int32_t magic = 0, version = 0;
  int position = 0;
  if (chunk.GetInt32(magic, 0) > 0 && static_cast<uint32_t>(magic) == kChunkMagic) {
    position = chunk.GetInt32(version, 4);
  }
  if (position >= 0) {
    if (program || version < kChunkVersion) {
      position = core_->LoadState(chunk, position);
      core_->ModifyCurrentPreset(nullptr);
    } else {
      position = core_->UnserializePresets(chunk, position);
    }
  }
  if (position < 0) return 0;
  core_->RefreshEditorParams();
  return 1;
}

intptr_t IPluginVST2::ProcessEvents(const vst2::EventList* events) {
  if (!events) return 0;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const vst2::Event* event = events->events[i];
    if (!event) continue;
    if (event->type == vst2::kEventMidi) {
      const auto* midi = reinterpret_cast<const vst2::MidiEvent*>(event);
      MidiMessage message;
      message.offset = midi->deltaFrames;
      message.status = static_cast<uint8_t>(midi->midiData[0]);
      message.data1 = static_cast<uint8_t>(midi->midiData[1]);
      message.data2 = static_cast<uint8_t>(midi->midiData[2]);
      core_->ProcessMidi(message);
    } else if (event->type == vst2::kEventSysEx) {
      const auto* sysex = reinterpret_cast<const vst2::SysExEvent*>(event);
      if (!sysex->sysexDump || sysex->dumpBytes < 0) continue;
      SysExMessage message;
      message.offset = sysex->deltaFrames;
      message.size = sysex->dumpBytes;
      message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
      core_->ReceiveSysEx(message);
    }
  }
  return 1;
}

intptr_t IPluginVST2::StringToParameter(int index, const char* text) {
  IParameter* param = core_->GetParam(index);
  if (!param) return 0;
  if (!text) return 1;
  // The same words the display shows ("50 %", "2 s"); text that names no value changes
  // nothing (rather than setting the value 0).
  const auto value = param->ValueFromText(std::string_view(text, strnlen(text, 256)));
  if (!value) return 0;
  if (IEditorLink* editor = core_->Editor()) editor->SetParameterFromPlug(index, *value, false);
  param->SetValue(*value);
  core_->ParamChanged(index);
  return 1;
}

intptr_t IPluginVST2::PinProperties(bool input, int index, vst2::PinProperties* pin) {
  const int count = input ? core_->NumInputs() : core_->NumOutputs();
  if (!pin || index < 0 || index >= count) return 0;
  pin->flags = vst2::kPinIsActive;
  if (index % 2 == 0 && index + 1 < count) pin->flags |= vst2::kPinIsStereo;
  std::snprintf(pin->label, vst2::kPinLabelBytes, input ? "Input %d" : "Output %d", index + 1);
  return 1;
}

void IPluginVST2::SetSpeakerArrangement(const vst2::SpeakerArrangement* inputs,
                                        const vst2::SpeakerArrangement* outputs) {
  if (inputs) {
    const int n = std::clamp(inputs->numChannels, 0, core_->NumInputs());
    core_->SetInputChannelConnections(0, n, true);
    core_->SetInputChannelConnections(n, core_->NumInputs() - n, false);
  }
  if (outputs) {
    const int n = std::clamp(outputs->numChannels, 0, core_->NumOutputs());
    core_->SetOutputChannelConnections(0, n, true);
    core_->SetOutputChannelConnections(n, core_->NumOutputs() - n, false);
  }
}

}  // namespace fluvia
