#pragma once
// The tables of entries the plug-in hands a host for each extension it offers. Each is defined
// in the file of its extension and forwards to the IPluginCLAP behind the plug-in record.

#include "adapters/clap/clap_abi.h"

namespace fluvia {

extern const clap::PluginAudioPorts kClapAudioPorts;
extern const clap::PluginNotePorts kClapNotePorts;
extern const clap::PluginParams kClapParams;
extern const clap::PluginState kClapState;
extern const clap::PluginGui kClapGui;
extern const clap::PluginTimerSupport kClapTimerSupport;
extern const clap::PluginPosixFdSupport kClapPosixFdSupport;
extern const clap::PluginRender kClapRender;

}  // namespace fluvia
