#pragma once
// The saved state of a CLAP instance: the core's state block followed by the bypass flag as a
// 32-bit little-endian integer, the bytes the VST3 module saves, so that a state moves between
// the two formats.

#include "adapters/clap/clap_abi.h"
#include "framework/plugin_core.h"

namespace fluvia {

// Writes the state to the host's stream; false when the core or the stream fails.
bool SaveClapState(IPluginCore& core, const clap::OStream* stream);

// Reads a state from the host's stream and applies it. Parameters the stream does not deliver
// keep their values (a value cut short keeps all its old bytes); true only when the whole
// state, bypass flag included, was read. Takes the core's mutex.
bool LoadClapState(IPluginCore& core, const clap::IStream* stream);

}  // namespace fluvia
