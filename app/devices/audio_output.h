#pragma once
// The audio outputs of the machine and the one stream the application plays into, through
// RtAudio (Linux: JACK, PulseAudio, ALSA; Windows: WASAPI, DirectSound).
//
// Devices are named by their audio system's short name ("jack", "pulse", "alsa", "wasapi",
// "ds") and the device name that system gives; that pair is what the settings file keeps.
//
// The stream calls the render function on the audio library's thread with two channels of
// 32-bit samples; nothing on that path allocates or locks. Everything else belongs to the
// control (window) thread, which also watches the stream: CheckLost tells once that a device
// went away or a server ended, after which the output is closed.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtAudio;

namespace fluvia::app {

struct AudioOutputDevice {
  std::string api;   // short name
  std::string name;
  bool isDefault = false;
  std::vector<int> sampleRates;  // those the device names (may be empty when it cannot tell)
  int preferredRate = 0;
  int channels = 0;
};

// The audio systems built in, in the order a default output is looked for.
std::vector<std::string> AudioApiNames();
std::string AudioApiDisplayName(const std::string& api);
bool IsAudioApi(const std::string& api);
// The systems whose rate and block size are the server's (JACK): offered, not chosen.
bool AudioApiFixesFormat(const std::string& api);

// Outputs with at least one channel, of one system or (empty) of all.
std::vector<AudioOutputDevice> ListAudioOutputs(const std::string& api = {});

class AudioOutput {
 public:
  using RenderFunction = void (*)(void* context, float* left, float* right, int frames);

  AudioOutput(RenderFunction render, void* context);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  struct Request {
    std::string api;     // empty: the first system with an output
    std::string device;  // empty: that system's default output
    int sampleRate = 0;  // 0: the device's own
    int bufferFrames = 0;  // 0: 256
  };
  // Opens the stream and prepares it; Start starts the callbacks. `prepare` (when given) runs
  // between the two with the stream's real rate and block size. A rate the device refuses
  // gives way to the device's own rate, and `note` says so. False with the reason when no
  // stream could be opened.
  bool Open(const Request& request, std::string& error, std::string& note);
  bool Start(std::string& error);
  void Close();

  bool IsOpen() const { return audio_ != nullptr; }
  const std::string& Api() const { return api_; }
  const std::string& Device() const { return device_; }
  int SampleRate() const { return sampleRate_; }
  int BufferFrames() const { return bufferFrames_; }
  int Channels() const { return channels_; }

  // From the control thread's timer: true once when the stream stopped without being asked
  // (the device went away, the server ended or stopped calling); `why` says what happened.
  bool CheckLost(std::string& why);

  // Blocks the device reported as played too late (underruns), since the stream opened.
  uint64_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }
  uint64_t Callbacks() const { return callbacks_.load(std::memory_order_relaxed); }

 private:
  static int Callback(void* output, void* input, unsigned int frames, double streamTime,
                      unsigned int status, void* self);
  void Reset();
  // Lets go of a stream the library was closing once it is closed (or at once with `force`).
  void FinishClosing(bool force);

  RenderFunction render_;
  void* context_;
  std::unique_ptr<RtAudio> audio_;
  std::string api_;
  std::string device_;
  int sampleRate_ = 0;
  int bufferFrames_ = 0;
  int channels_ = 0;
  bool started_ = false;
  std::vector<float> spare_;  // the second channel of a one-channel device
  std::atomic<uint64_t> underruns_{0};
  std::atomic<uint64_t> callbacks_{0};
  uint64_t lastCallbacks_ = 0;
  std::chrono::steady_clock::time_point lastProgress_;
  // A stream the library is closing by itself (JACK after its server ended), kept until it is
  // closed so that it is not destroyed under the library's own closing thread.
  std::unique_ptr<RtAudio> closing_;
  std::chrono::steady_clock::time_point closingSince_;
};

}  // namespace fluvia::app
