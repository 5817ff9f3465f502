// The ports a host sees: one stereo audio output, the main port, and one note input that takes
// CLAP note events and MIDI. There is no audio input: hosts offer a plug-in with inputs as an
// effect.

#include <cstdio>

#include "adapters/clap/extension_tables.h"
#include "adapters/clap/plugin_clap.h"

namespace fluvia {
namespace {

constexpr clap::Id kMainOutputId = 0;
constexpr clap::Id kNoteInputId = 0;

}  // namespace

uint32_t IPluginCLAP::AudioPortCount(bool isInput) const {
  return (!isInput && core_->NumOutputs() > 0) ? 1 : 0;
}

bool IPluginCLAP::AudioPort(uint32_t index, bool isInput, clap::AudioPortInfo* info) const {
  if (!info || index >= AudioPortCount(isInput)) return false;
  *info = clap::AudioPortInfo{};
  info->id = kMainOutputId;
  std::snprintf(info->name, sizeof info->name, "%s", "Output");
  info->flags = clap::kAudioPortIsMain | clap::kAudioPortSupports64Bits;
  info->channelCount = 2;
  info->portType = clap::kPortStereo;
  info->inPlacePair = clap::kInvalidId;
  return true;
}

uint32_t IPluginCLAP::NotePortCount(bool isInput) const {
  return (isInput && core_->TakesMidi()) ? 1 : 0;
}

bool IPluginCLAP::NotePort(uint32_t index, bool isInput, clap::NotePortInfo* info) const {
  if (!info || index >= NotePortCount(isInput)) return false;
  *info = clap::NotePortInfo{};
  info->id = kNoteInputId;
  info->supportedDialects = clap::kNoteDialectClap | clap::kNoteDialectMidi;
  info->preferredDialect = clap::kNoteDialectClap;
  std::snprintf(info->name, sizeof info->name, "%s", "MIDI Input");
  return true;
}

const clap::PluginAudioPorts kClapAudioPorts = {
    [](const clap::Plugin* p, bool isInput) -> uint32_t {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self ? self->AudioPortCount(isInput) : 0;
    },
    [](const clap::Plugin* p, uint32_t index, bool isInput, clap::AudioPortInfo* info) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->AudioPort(index, isInput, info);
    },
};

const clap::PluginNotePorts kClapNotePorts = {
    [](const clap::Plugin* p, bool isInput) -> uint32_t {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self ? self->NotePortCount(isInput) : 0;
    },
    [](const clap::Plugin* p, uint32_t index, bool isInput, clap::NotePortInfo* info) {
      IPluginCLAP* self = IPluginCLAP::From(p);
      return self && self->NotePort(index, isInput, info);
    },
};

}  // namespace fluvia
