#include "app/core/standalone_host.h"

#include <cmath>
#include <mutex>

#include "app/core/wav_recorder.h"
#include "instrument/fluvia.h"

namespace fluvia::app {
namespace {

int64_t Nanoseconds(StandaloneHost::Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

}  // namespace

StandaloneHost::StandaloneHost(Fluvia& instrument, WavRecorder* recorder)
    : instrument_(instrument), recorder_(recorder) {
  instrument_.SetHostLink(this);
  instrument_.SetHost(kHostUnknown, 0);
  instrument_.SetInputChannelConnections(0, instrument_.NumInputs(), false);
  instrument_.SetOutputChannelConnections(0, instrument_.NumOutputs(), true);
}

StandaloneHost::~StandaloneHost() { instrument_.SetHostLink(nullptr); }

void StandaloneHost::Prepare(double sampleRate, int maxFrames) {
  std::lock_guard<std::recursive_mutex> lock(instrument_.Mutex());
  sampleRate_ = sampleRate;
  instrument_.SetSampleRate(sampleRate);
  instrument_.SetMaxBlockSize(maxFrames);
  instrument_.ResetDsp();
  instrument_.ActivationChanged(true);
  // Messages left from before belong to the old stream.
  TimedMidi stale;
  while (fromWindow_.Pop(stale) || fromDevice_.Pop(stale)) {
  }
}

bool StandaloneHost::PostFromWindow(const MidiMessage& message, Clock::time_point arrival) {
  return fromWindow_.Push({message, Nanoseconds(arrival)});
}

bool StandaloneHost::PostFromDevice(const MidiMessage& message, Clock::time_point arrival) {
  return fromDevice_.Push({message, Nanoseconds(arrival)});
}

void StandaloneHost::Render(float* left, float* right, int frames) {
  RenderAt(left, right, frames, Clock::now());
}

void StandaloneHost::Deliver(TimedMidiQueue& queue, int64_t blockStartNs, int frames) {
  TimedMidi event;
  while (queue.Pop(event)) {
    // A message lands where it arrived, one block later: the timing between messages is kept
    // and the delay stays one block whatever the moment of the callback.
    const double offset = double(event.arrivalNs - blockStartNs) * sampleRate_ * 1e-9;
    MidiMessage message = event.message;
    message.offset = offset <= 0.0 ? 0 : offset >= frames - 1 ? frames - 1 : int32_t(offset);
    instrument_.ProcessMidi(message);
  }
}

void StandaloneHost::RenderAt(float* left, float* right, int frames, Clock::time_point now) {
  if (frames <= 0) return;
  const int64_t blockNs = int64_t(double(frames) / sampleRate_ * 1e9);
  const int64_t blockStart = Nanoseconds(now) - blockNs;
  {
    // The audio thread takes no lock: what the window changed reaches it through the base.
    AudioThreadScope audio(instrument_);
    Deliver(fromDevice_, blockStart, frames);
    Deliver(fromWindow_, blockStart, frames);
    float* outputs[2] = {left, right};
    instrument_.AttachOutputBuffers(0, 2, outputs);
    instrument_.ProcessBuffers(frames);
  }
  if (recorder_) recorder_->Write(left, right, frames);
  const uint64_t start = frames_.load(std::memory_order_relaxed);
  if (firstSound_.load(std::memory_order_relaxed) < 0) {
    for (int i = 0; i < frames; ++i) {
      if (left[i] != 0.0f || right[i] != 0.0f) {
        firstSound_.store(int64_t(start) + i, std::memory_order_relaxed);
        break;
      }
    }
  }
  frames_.store(start + uint64_t(frames), std::memory_order_relaxed);
  callbacks_.fetch_add(1, std::memory_order_relaxed);
}

int32_t StandaloneHost::SamplePosition() {
  return int32_t(frames_.load(std::memory_order_relaxed) & 0x7fffffff);
}

void StandaloneHost::TimeSignature(int& numerator, int& denominator) {
  numerator = 4;
  denominator = 4;
}

void StandaloneHost::FillTimeInfo(TimeInfo& info) {
  info.tempo = kTempo;
  info.samplePosition = double(frames_.load(std::memory_order_relaxed));
  info.ppqPosition = info.samplePosition / sampleRate_ * kTempo / 60.0;
  info.numerator = 4;
  info.denominator = 4;
  info.transportRunning = false;
}

void StandaloneHost::ResizeEditor(int width, int height) {
  if (resize_) resize_(width, height);
}

}  // namespace fluvia::app
