#include "adapters/lv2/lv2_ports.h"

#include <cctype>

#include "framework/plugin_core.h"

namespace fluvia {

bool IsLv2ControlParam(const IParameter& param) {
  return param.Kind() != ParamKind::None && param.Automatable();
}

std::string Lv2Symbol(const std::string& name) {
  std::string symbol;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    symbol += (std::isalnum(u) && u < 0x80) || c == '_' ? c : '_';
  }
  if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0]))) symbol = "_" + symbol;
  return symbol;
}

std::vector<Lv2ControlPort> Lv2ControlPorts(const IPluginCore& core) {
  std::vector<Lv2ControlPort> ports;
  for (int i = 0; i < core.NumParams(); ++i) {
    const IParameter& param = *core.GetParam(i);
    if (!IsLv2ControlParam(param)) continue;
    Lv2ControlPort port;
    port.index = Lv2PortCount(ports.size());
    port.param = i;
    port.symbol = Lv2Symbol(param.Name());
    port.name = param.DisplayName();
    port.minimum = static_cast<float>(param.Minimum());
    port.maximum = static_cast<float>(param.Maximum());
    port.defaultValue = static_cast<float>(param.DefaultValue());
    port.integer = param.Kind() == ParamKind::Int || param.Kind() == ParamKind::Enum;
    port.toggled = param.Kind() == ParamKind::Bool;
    port.unit = param.Label();
    ports.push_back(port);
  }
  return ports;
}

}  // namespace fluvia
