#pragma once
// StandaloneHost: the application as the instrument's host. It implements the plug-in base's
// host link as a format adapter does, and drives the instrument the way the adapters do: each
// audio callback hands the MIDI that arrived since the last one to ProcessMidi, stamped with
// the frame where it arrived inside the block, then renders the block through the base's
// buffer path, as the instance's audio thread: it takes no lock, so the window editing,
// saving or loading presets never holds the sound up.
//
// Threads: Prepare on the control (window) thread while no stream runs; PostFromWindow from
// the window thread; PostFromDevice from the MIDI input's thread; Render from the audio thread,
// where it allocates nothing and calls the system for nothing but one read of the monotonic
// clock (a vDSO read on Linux, no kernel entry).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "app/core/timed_midi_queue.h"
#include "framework/host_link.h"

namespace fluvia {
class Fluvia;
}

namespace fluvia::app {

class WavRecorder;

class StandaloneHost : public IHostLink {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr double kTempo = 120.0;

  StandaloneHost(Fluvia& instrument, WavRecorder* recorder);
  ~StandaloneHost() override;
  StandaloneHost(const StandaloneHost&) = delete;
  StandaloneHost& operator=(const StandaloneHost&) = delete;

  // Sets up the instrument for a stream of this rate and largest block (as a host does before
  // processing starts). The instrument's voices start silent.
  void Prepare(double sampleRate, int maxFrames);
  double SampleRate() const { return sampleRate_; }

  // A message for the instrument that arrived at `arrival` (now, unless a test says
  // otherwise). False when it was dropped (the queue is full).
  bool PostFromWindow(const MidiMessage& message, Clock::time_point arrival = Clock::now());
  bool PostFromDevice(const MidiMessage& message, Clock::time_point arrival = Clock::now());

  // The audio callback: renders `frames` frames into the two channels.
  void Render(float* left, float* right, int frames);
  // The same with the callback's moment given (tests).
  void RenderAt(float* left, float* right, int frames, Clock::time_point now);

  // Frames rendered since the start; callbacks so far (the control thread's sign of life).
  uint64_t FramesRendered() const { return frames_.load(std::memory_order_relaxed); }
  uint64_t Callbacks() const { return callbacks_.load(std::memory_order_relaxed); }
  uint64_t DroppedMessages() const { return fromWindow_.Dropped() + fromDevice_.Dropped(); }
  // The first frame that was not silent, counted from the start (-1 while all were silent).
  int64_t FirstSoundFrame() const { return firstSound_.load(std::memory_order_relaxed); }

  // Where the editor's size changes go (the window, which takes the new size).
  void SetResizeHandler(std::function<void(int, int)> handler) { resize_ = std::move(handler); }

  // ---- IHostLink ---------------------------------------------------------------------------
  void BeginParamEdit(int) override {}
  void ReportParamChange(int, double) override {}
  void EndParamEdit(int) override {}
  void ReportPresetChange() override {}
  bool IsOfflineRendering() override { return false; }  // a live stream, with a deadline
  int32_t SamplePosition() override;
  double HostTempo() override { return kTempo; }
  void TimeSignature(int& numerator, int& denominator) override;
  void FillTimeInfo(TimeInfo& info) override;
  void ResizeEditor(int width, int height) override;
  bool SendMidi(const MidiMessage&) override { return false; }

 private:
  // Hands the queue's messages to the instrument at their frames in the block that starts
  // (one block length before `now`).
  void Deliver(TimedMidiQueue& queue, int64_t blockStartNs, int frames);

  Fluvia& instrument_;
  WavRecorder* recorder_;
  double sampleRate_ = 44100.0;
  TimedMidiQueue fromWindow_;
  TimedMidiQueue fromDevice_;
  std::atomic<uint64_t> frames_{0};
  std::atomic<uint64_t> callbacks_{0};
  std::atomic<int64_t> firstSound_{-1};
  std::function<void(int, int)> resize_;
};

}  // namespace fluvia::app
