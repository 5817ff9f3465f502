#pragma once
// Host-side VST2 code: loads a VST2 module as its platform's hosts do (dlopen on Linux,
// LoadLibrary on Windows), creates instances through its entry point and drives each only
// through the effect record, the way a host does. It answers the instance's callbacks (time,
// product string, process level, events) and records them.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "adapters/vst2/vst2_abi.h"

namespace fluvia::vst2host {

class Vst2Module {
 public:
  using EntryFunction = vst2::Effect* (*)(vst2::HostCallback);

  // Null with a reason in error when the file cannot be loaded or has no entry point.
  static std::unique_ptr<Vst2Module> Load(const std::string& path, std::string& error);
  ~Vst2Module();
  Vst2Module(const Vst2Module&) = delete;
  Vst2Module& operator=(const Vst2Module&) = delete;

  EntryFunction EntryPoint() const { return entry_; }
  void* Symbol(const char* name) const;

 private:
  Vst2Module() = default;
  void* handle_ = nullptr;
  EntryFunction entry_ = nullptr;
};

// One callback the instance made.
struct HostCall {
  int32_t opcode = 0;
  int32_t index = 0;
  intptr_t value = 0;
  float option = 0.0f;
};

// A short MIDI message the instance sent through the process-events callback.
struct SentMidi {
  int32_t deltaFrames = 0;
  uint8_t bytes[3] = {};
};

class Vst2Instance {
 public:
  // Calls the entry point; null with a reason when it returns none or a bad record.
  static std::unique_ptr<Vst2Instance> Create(const Vst2Module& module, std::string& error);
  // Sends the close opcode unless Close() already did.
  ~Vst2Instance();
  Vst2Instance(const Vst2Instance&) = delete;
  Vst2Instance& operator=(const Vst2Instance&) = delete;

  vst2::Effect* Effect() const { return effect_; }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float option = 0.0f);
  // Open, sample rate, block size and mains on, as hosts start an instance.
  void Start(double sampleRate, int maxBlockSize);
  void Close();

  float GetParameter(int32_t index) { return effect_->getParameter(effect_, index); }
  void SetParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }
  // The index of the parameter with that name (its name opcode's text), or -1.
  int FindParameter(const std::string& name);
  // Sends short MIDI messages (status, data 1, data 2 at a frame offset) through opcode 25.
  intptr_t SendMidi(const std::vector<SentMidi>& messages);
  void ProcessReplacing(float** inputs, float** outputs, int32_t frames);
  void ProcessAccumulating(float** inputs, float** outputs, int32_t frames);
  void ProcessDouble(double** inputs, double** outputs, int32_t frames);

  // ---- What the host answers ----------------------------------------------------------------
  void SetProductString(const std::string& product) { product_ = product; }
  void SetVendorVersion(int32_t version) { vendorVersion_ = version; }
  // The transport record answered to get-time; none when cleared.
  void SetTime(const vst2::TimeInfo& time) { time_ = time, timeAvailable_ = true; }
  void ClearTime() { timeAvailable_ = false; }
  void SetProcessLevel(int32_t level) { processLevel_ = level; }

  // ---- What the instance did ----------------------------------------------------------------
  // Recording is on by default; a benchmark turns it off to answer like a plain host.
  void RecordCalls(bool on) { recording_ = on; }
  std::vector<HostCall> Calls() const;
  int CountCalls(int32_t opcode) const;
  void ClearCalls();
  std::vector<SentMidi> SentEvents() const;

 private:
  Vst2Instance() = default;
  static intptr_t Callback(vst2::Effect* effect, int32_t opcode, int32_t index, intptr_t value,
                           void* ptr, float option);
  intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float option);

  vst2::Effect* effect_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<HostCall> calls_;
  std::vector<SentMidi> sent_;
  std::string product_ = "fluvia-vst2host";
  int32_t vendorVersion_ = 10000;
  vst2::TimeInfo time_{};
  std::atomic<bool> timeAvailable_{false};
  int32_t processLevel_ = 0;
  std::atomic<bool> recording_{true};
};

}  // namespace fluvia::vst2host
