#pragma once
// IPluginLV2: connects a plug-in core to an LV2 host. One object per instance: it holds the
// host's port buffers, turns the atom sequence into MIDI messages and transport facts, the
// control ports into parameter points, renders through the core, saves and restores the
// state, and is the core's link to the host. The editor reaches it through the host's
// instance-access feature (see ui_lv2.cpp).

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adapters/lv2/lv2_events.h"
#include "adapters/lv2/lv2_ports.h"
#include "adapters/lv2/lv2_transport.h"
#include "framework/host_link.h"
#include "framework/plugin_core.h"
#include "lv2/core/lv2.h"
#include "lv2/log/log.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

namespace fluvia {

// What the open editor does for the plug-in: report the person's edits to the host and ask
// it for a new size. Implemented by the UI (ui_lv2.cpp); every call comes on the UI thread.
class Lv2EditorLink {
 public:
  virtual ~Lv2EditorLink() = default;
  virtual void BeginEdit(uint32_t port) = 0;
  virtual void Edited(uint32_t port, float value) = 0;
  virtual void EndEdit(uint32_t port) = 0;
  virtual void RequestSize(int width, int height) = 0;
  // The plug-in is being destroyed before its editor (a faulty host).
  virtual void PluginGone() = 0;
};

class IPluginLV2 final : public IHostLink {
 public:
  // The block length used when the host does not state a maximum; longer host blocks are
  // rendered in pieces of it.
  static constexpr int kDefaultMaxBlock = 4096;

  // What the host offers an instance.
  struct HostFacts {
    const LV2_URID_Map* map = nullptr;
    double sampleRate = 0.0;
    int maxBlock = kDefaultMaxBlock;
    uint32_t sequenceCapacity = kLv2EventBufferBytes;
  };
  // Reads the host's features; false (with the reason in `error`) when a required feature is
  // missing or the sample rate is unusable.
  static bool ReadHostFacts(double sampleRate, const LV2_Feature* const* features,
                            HostFacts& facts, std::string& error);
  IPluginLV2(std::unique_ptr<IPluginCore> core, const HostFacts& facts);
  ~IPluginLV2() override;

  IPluginCore& Core() { return *core_; }
  const std::vector<Lv2ControlPort>& ControlPorts() const { return controlPorts_; }
  // The control port of a parameter, or nullptr.
  const Lv2ControlPort* PortOfParam(int param) const;

  // ---- LV2 plug-in operations ----------------------------------------------------------
  void ConnectPort(uint32_t port, void* data);
  void Activate();
  void Run(uint32_t frames);
  void Deactivate();
  LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t flags,
                        const LV2_Feature* const* features);
  LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                           uint32_t flags, const LV2_Feature* const* features);
  static const void* ExtensionData(const char* uri);

  // The state bytes: the core's state block and the bypass flag, as the VST3 module saves them.
  std::vector<uint8_t> StateBytes();
  // Applies state bytes of exactly that layout; false (nothing changed) for any other size.
  bool ApplyStateBytes(const uint8_t* data, size_t size);

  // ---- The editor ------------------------------------------------------------------------
  // One editor at a time: false when another is attached.
  bool AttachEditor(Lv2EditorLink* link);
  void DetachEditor(Lv2EditorLink* link);

  // Guards the link from ExtensionData and the UI's instance-access cast.
  bool Valid() const { return magic_ == kMagic; }

  // ---- IHostLink ---------------------------------------------------------------------------
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalised) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override {}
  int32_t SamplePosition() override;
  double HostTempo() override;
  void TimeSignature(int& numerator, int& denominator) override;
  void FillTimeInfo(TimeInfo& info) override;
  void ResizeEditor(int width, int height) override;
  bool SendMidi(const MidiMessage&) override { return false; }

 private:
  static constexpr uint32_t kMagic = 0x464c5632;  // "FLV2"
  void ApplyControlPorts();

  class EventSink;

  // The values the editor wrote to the host, per control port: the host plays each one back
  // into its port. Until the last one has come back (or a second of audio has passed), the
  // port's changes are the editor's own echoes and must not move the parameter again (a
  // momentary button pressed and released would otherwise fire twice).
  struct EditorEcho {
    std::atomic<float> value{0.0f};
    std::atomic<uint32_t> sequence{0};
  };
  struct EchoWait {
    uint32_t seen = 0;
    bool waiting = false;
    int64_t framesLeft = 0;
  };

  uint32_t magic_ = kMagic;
  std::unique_ptr<IPluginCore> core_;
  Lv2EventUrids urids_;
  LV2_URID atomChunk_ = 0;
  LV2_URID stateKey_ = 0;
  uint32_t sequenceCapacity_;
  std::vector<Lv2ControlPort> controlPorts_;
  std::vector<int> portOfParam_;            // control port slot per parameter, -1 for none
  std::vector<const float*> controls_;      // host buffers, per control port
  std::vector<float> lastControl_;          // the value each port had when last read
  std::unique_ptr<EditorEcho[]> echoes_;    // written on the UI thread, read in Run
  std::vector<EchoWait> echoWaits_;         // audio thread
  const void* events_ = nullptr;
  float* outputs_[2] = {nullptr, nullptr};
  Lv2Transport transport_;
  Lv2EditorLink* editor_ = nullptr;         // UI thread only
};

}  // namespace fluvia
