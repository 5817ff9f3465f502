#pragma once
// The LV2 port layout of the plug-in: one atom sequence input (MIDI and the host's time
// position), two audio outputs, then one control input per parameter that a person or the
// host may automate. The module's Turtle description is generated from this same table at
// build time (adapters/lv2/ttl), so the description and the running plug-in cannot disagree.

#include <cstdint>
#include <string>
#include <vector>

namespace fluvia {

class IPluginCore;
class IParameter;

inline constexpr uint32_t kLv2EventsPort = 0;
inline constexpr uint32_t kLv2OutLeftPort = 1;
inline constexpr uint32_t kLv2OutRightPort = 2;
inline constexpr uint32_t kLv2FirstControlPort = 3;

// The sequence buffer the plug-in asks hosts for (resize-port minimum size), in bytes. Also
// the bound on what is read from a sequence when the host does not say how large its buffers
// are.
inline constexpr uint32_t kLv2EventBufferBytes = 8192;

struct Lv2ControlPort {
  uint32_t index = 0;   // LV2 port index
  int param = 0;        // the core's parameter index
  std::string symbol;   // stable: the parameter's own name, never shown to people
  std::string name;     // what hosts show
  float minimum = 0.0f;
  float maximum = 1.0f;
  float defaultValue = 0.0f;
  bool integer = false;
  bool toggled = false;
  std::string unit;     // the parameter's unit label, empty when it has none
};

// Whether a parameter becomes a control port.
bool IsLv2ControlParam(const IParameter& param);

// The control ports for a core, in port order (index kLv2FirstControlPort on).
std::vector<Lv2ControlPort> Lv2ControlPorts(const IPluginCore& core);

// The total number of ports for that many control ports.
inline uint32_t Lv2PortCount(size_t controlPorts) {
  return kLv2FirstControlPort + static_cast<uint32_t>(controlPorts);
}

// A parameter name turned into a valid LV2 symbol ([A-Za-z_][A-Za-z0-9_]*).
std::string Lv2Symbol(const std::string& name);

}  // namespace fluvia
