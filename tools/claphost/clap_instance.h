#pragma once
// One CLAP plug-in instance driven the way hosts drive it: created through the factory of a
// loaded module, initialised, activated and processed block by block with input events and a
// transport that advances, its parameters and state reached through the extensions, then
// stopped, deactivated and destroyed.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adapters/clap/clap_abi.h"
#include "tools/claphost/clap_events.h"
#include "tools/claphost/clap_host.h"

namespace fluvia::claphost {

// How a state stream behaves: hands out at most `chunk` bytes per call (0: all asked for),
// ends after `limit` bytes, and fails (-1) instead of ending when `failAtLimit` is set.
struct StreamBehaviour {
  uint64_t chunk = 0;
  uint64_t limit = UINT64_MAX;
  bool failAtLimit = false;
};

class ClapInstance {
 public:
  // create_plugin with the module's first descriptor, then init. The module and the host must
  // outlive the instance.
  static std::unique_ptr<ClapInstance> Create(const ClapModule& module, ClapHost& host,
                                              std::string& error);
  ~ClapInstance();
  ClapInstance(const ClapInstance&) = delete;
  ClapInstance& operator=(const ClapInstance&) = delete;

  const clap::Plugin* Plugin() const { return plugin_; }
  template <typename Extension>
  const Extension* Ext(const char* id) const {
    return static_cast<const Extension*>(plugin_->getExtension(plugin_, id));
  }

  // activate and start_processing; false when the plug-in refuses either.
  bool Start(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  // stop_processing and deactivate; harmless when not started.
  void Stop();
  bool Started() const { return started_; }

  // Filled by the caller before Process, cleared by it afterwards.
  InputEventList& Events() { return events_; }
  OutputEventList& Output() { return output_; }
  // The transport sent with each block (tempo 120, 4/4, playing); it advances by the block.
  clap::EventTransport& Transport() { return transport_; }
  void SendTransport(bool send) { sendTransport_ = send; }

  // One block into two output channels, on a thread marked as the host's audio thread.
  clap::ProcessStatus Process(float* left, float* right, uint32_t frames);
  clap::ProcessStatus Process(double* left, double* right, uint32_t frames);
  uint64_t LastConstantMask() const { return lastConstantMask_; }

  // ---- Parameters ----------------------------------------------------------------------------
  uint32_t ParamCount() const;
  bool ParamInfoAt(uint32_t index, clap::ParamInfo& info) const;
  // The identifier of the parameter with that name; false when there is none.
  bool FindParam(const std::string& name, clap::Id& id) const;
  double Value(clap::Id id) const;
  std::string Text(clap::Id id, double value) const;
  // params.flush with the events given since the last block; the output list records edits.
  void Flush();

  // ---- State ---------------------------------------------------------------------------------
  bool SaveState(std::vector<uint8_t>& state, const StreamBehaviour& behaviour = {});
  bool LoadState(const std::vector<uint8_t>& state, const StreamBehaviour& behaviour = {});

 private:
  ClapInstance() = default;
  template <typename Sample>
  clap::ProcessStatus ProcessBlock(Sample* left, Sample* right, uint32_t frames);

  ClapHost* host_ = nullptr;
  const clap::Plugin* plugin_ = nullptr;
  bool started_ = false;
  double sampleRate_ = 48000.0;
  InputEventList events_;
  OutputEventList output_;
  clap::EventTransport transport_{};
  bool sendTransport_ = true;
  int64_t steadyTime_ = 0;
  uint64_t lastConstantMask_ = 0;
};

}  // namespace fluvia::claphost
