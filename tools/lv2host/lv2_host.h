#pragma once
// Host-side LV2 code for the tests and benchmarks: loads a bundle's binary as hosts do,
// instantiates the plug-in with the features a host offers, fills its atom sequence input
// with MIDI and time positions, runs it block by block and moves its state in and out.
// Written from the LV2 headers; it knows nothing of the plug-in's insides.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lv2/atom/forge.h"
#include "lv2/core/lv2.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

namespace fluvia::lv2host {

// A host's URI map: ids from 1 on, the same id for the same URI, safe from any thread.
class UridMap {
 public:
  UridMap();
  LV2_URID Map(const char* uri);
  const char* Unmap(LV2_URID id);
  LV2_URID_Map* MapFeature() { return &map_; }
  LV2_URID_Unmap* UnmapFeature() { return &unmap_; }

 private:
  std::mutex mutex_;
  std::map<std::string, LV2_URID> ids_;
  std::vector<std::string> uris_;
  LV2_URID_Map map_;
  LV2_URID_Unmap unmap_;
};

class Lv2Module {
 public:
  // Opens <bundle>/<binary> and finds the plug-in descriptor with that URI.
  static std::unique_ptr<Lv2Module> Load(const std::string& bundle, const std::string& binary,
                                         const std::string& uri, std::string& error);
  ~Lv2Module();
  const LV2_Descriptor* Plugin() const { return plugin_; }
  // The first UI descriptor the binary exports, or null.
  const LV2UI_Descriptor* Ui() const { return ui_; }
  const std::string& Bundle() const { return bundle_; }

 private:
  Lv2Module() = default;
  void* library_ = nullptr;
  const LV2_Descriptor* plugin_ = nullptr;
  const LV2UI_Descriptor* ui_ = nullptr;
  std::string bundle_;
};

// One saved property of a state.
struct StateProperty {
  std::string key;
  std::string type;
  uint32_t flags = 0;
  std::vector<uint8_t> value;
};

class Lv2Instance {
 public:
  struct Options {
    double sampleRate = 48000.0;
    int maxBlock = 512;
    bool offerUridMap = true;
    bool offerOptions = true;
    uint32_t eventBufferBytes = 8192;
  };
  // Instantiates and activates. The control inputs start at `defaults` (one per control port,
  // ports firstControl on); null with a reason when the plug-in refuses.
  static std::unique_ptr<Lv2Instance> Create(const Lv2Module& module,
                                             const std::vector<float>& defaults,
                                             uint32_t firstControl, const Options& options,
                                             std::string& error);
  ~Lv2Instance();
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  LV2_Handle Handle() const { return handle_; }
  const LV2_Descriptor& Descriptor() const { return *descriptor_; }
  UridMap& Urids() { return *urids_; }
  // The control port values the next Run reads.
  std::vector<float>& Controls() { return controls_; }

  // Events of the next Run, in the order added (the caller keeps frames ascending unless it
  // means otherwise).
  void AddMidi(int64_t frame, std::initializer_list<uint8_t> bytes);
  void NoteOn(int64_t frame, int note, int velocity, int channel = 0);
  void NoteOff(int64_t frame, int note, int channel = 0);
  // A time:Position with tempo, speed and the frame position.
  void AddPosition(int64_t frame, float beatsPerMinute, float speed, int64_t position);
  void ClearEvents();
  // The sequence buffer itself, for tests that write damaged sequences.
  std::vector<uint8_t>& EventBuffer() { return events_; }
  // Connects the outputs and runs one block; the events are cleared afterwards.
  void Run(float* left, float* right, uint32_t frames);

  // The state interface; false when the plug-in has none or the call fails.
  bool SaveState(std::vector<StateProperty>& properties);
  LV2_State_Status RestoreState(const std::vector<StateProperty>& properties);

 private:
  Lv2Instance() = default;
  void StartSequence();

  const LV2_Descriptor* descriptor_ = nullptr;
  LV2_Handle handle_ = nullptr;
  std::unique_ptr<UridMap> urids_;
  std::vector<float> controls_;
  uint32_t firstControl_ = 0;
  std::vector<uint8_t> events_;
  LV2_Atom_Forge forge_{};
  LV2_Atom_Forge_Frame sequenceFrame_{};
  LV2_URID midiEvent_ = 0, timePosition_ = 0, timeBeatsPerMinute_ = 0, timeSpeed_ = 0,
           timeFrame_ = 0;
  int32_t maxBlock_ = 0;
  int32_t sequenceSize_ = 0;
  std::vector<LV2_Options_Option> options_;
  std::vector<LV2_Feature> featureStore_;
  std::vector<const LV2_Feature*> features_;
};

}  // namespace fluvia::lv2host
