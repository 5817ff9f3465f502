#pragma once
// What the plug-in base needs of the host. Each format adapter implements it and registers
// itself with IPluginCore::SetHostLink; without a link (tests, the command-line renderer) the
// base answers as a plain offline host would.

#include <cstdint>
#include <string>

#include "framework/plugin_types.h"

namespace fluvia {

class IHostLink {
 public:
  virtual ~IHostLink() = default;

  virtual void BeginParamEdit(int index) = 0;
  virtual void ReportParamChange(int index, double normalised) = 0;
  virtual void EndParamEdit(int index) = 0;
  virtual void ReportPresetChange() = 0;
  virtual bool IsOfflineRendering() { return false; }
  virtual int32_t SamplePosition() = 0;
  virtual double HostTempo() = 0;
  virtual void TimeSignature(int& numerator, int& denominator) = 0;
  virtual void FillTimeInfo(TimeInfo& info) = 0;
  virtual void ResizeEditor(int width, int height) = 0;
  virtual bool SendMidi(const MidiMessage& message) = 0;
  // Hosts that take system-exclusive data from plug-ins answer true when they took it.
  virtual bool SendSysEx(const SysExMessage& /*message*/) { return false; }
  virtual void ShowHostParamMenu(int /*index*/, int /*x*/, int /*y*/) {}
  virtual void LatencyChanged(int /*frames*/) {}
  // Hosts that are asked for their identity lazily (VST2) answer here; the name is the
  // product string, the version the host's own decimal number.
  virtual bool QueryHostIdentity(std::string& /*name*/, int32_t& /*version*/) { return false; }
};

}  // namespace fluvia
