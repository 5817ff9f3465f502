#include "app/devices/audio_output.h"

#include <RtAudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/devices/jack_server.h"

namespace fluvia::app {
namespace {

constexpr int kDefaultBufferFrames = 256;
// A stream that has not called for this long while it should have is taken as gone.
constexpr auto kSilentStreamLimit = std::chrono::milliseconds(2000);

// The audio systems in the order a default is looked for: a JACK server that runs is what the
// person plays through; then the desktop's sound server, then the plain devices.
const char* const kApiOrder[] = {"jack", "pulse", "alsa", "wasapi", "ds"};

// RtAudio reports errors of a running stream through a plain function without a context, on
// the audio thread: the first fatal one is kept here (no allocation) for the control thread.
struct StreamError {
  std::atomic<bool> fatal{false};
  char text[256] = {};
};
StreamError gStreamError;

void OnStreamError(RtAudioError::Type type, const std::string& text) {
  if (type == RtAudioError::WARNING || type == RtAudioError::DEBUG_WARNING) return;
  if (gStreamError.fatal.load(std::memory_order_acquire)) return;
  std::strncpy(gStreamError.text, text.c_str(), sizeof gStreamError.text - 1);
  gStreamError.fatal.store(true, std::memory_order_release);
}

std::unique_ptr<RtAudio> MakeAudio(const std::string& api) {
  try {
    auto audio = std::make_unique<RtAudio>(RtAudio::getCompiledApiByName(api));
    audio->showWarnings(false);
    return audio;
  } catch (const RtAudioError&) {
    return nullptr;
  }
}

std::vector<AudioOutputDevice> OutputsOf(RtAudio& audio, const std::string& api) {
  std::vector<AudioOutputDevice> out;
  try {
    const unsigned count = audio.getDeviceCount();
    for (unsigned i = 0; i < count; ++i) {
      const RtAudio::DeviceInfo info = audio.getDeviceInfo(i);
      if (info.outputChannels == 0 || info.name.empty()) continue;
      AudioOutputDevice device;
      device.api = api;
      device.name = info.name;
      device.isDefault = info.isDefaultOutput;
      for (unsigned rate : info.sampleRates) device.sampleRates.push_back(int(rate));
      device.preferredRate = int(info.preferredSampleRate);
      device.channels = int(info.outputChannels);
      out.push_back(std::move(device));
    }
  } catch (const RtAudioError&) {
  }
  return out;
}

// The device index of the named output, or the default output's when the name is empty; -1
// when there is no such output.
int FindDevice(RtAudio& audio, const std::string& name, RtAudio::DeviceInfo& found) {
  try {
    const unsigned count = audio.getDeviceCount();
    int fallback = -1;
    for (unsigned i = 0; i < count; ++i) {
      RtAudio::DeviceInfo info = audio.getDeviceInfo(i);
      if (info.outputChannels == 0) continue;
      if (!name.empty() ? info.name == name : info.isDefaultOutput) {
        found = info;
        return int(i);
      }
      if (name.empty() && fallback < 0) {
        fallback = int(i);
        found = info;
      }
    }
    return fallback;
  } catch (const RtAudioError&) {
    return -1;
  }
}

}  // namespace

std::vector<std::string> AudioApiNames() {
  std::vector<RtAudio::Api> compiled;
  RtAudio::getCompiledApi(compiled);
  std::vector<std::string> out;
  for (const char* name : kApiOrder) {
    const RtAudio::Api api = RtAudio::getCompiledApiByName(name);
    if (api != RtAudio::UNSPECIFIED &&
        std::find(compiled.begin(), compiled.end(), api) != compiled.end()) {
      out.push_back(name);
    }
  }
  return out;
}

std::string AudioApiDisplayName(const std::string& api) {
  if (api == "jack") return "JACK";
  if (api == "pulse") return "PulseAudio";
  if (api == "alsa") return "ALSA";
  if (api == "wasapi") return "WASAPI";
  if (api == "ds") return "DirectSound";
  return api;
}

bool IsAudioApi(const std::string& api) {
  const std::vector<std::string> names = AudioApiNames();
  return std::find(names.begin(), names.end(), api) != names.end();
}

bool AudioApiFixesFormat(const std::string& api) { return api == "jack"; }

std::vector<AudioOutputDevice> ListAudioOutputs(const std::string& api) {
  std::vector<AudioOutputDevice> out;
  for (const std::string& name : AudioApiNames()) {
    if (!api.empty() && name != api) continue;
    if (std::unique_ptr<RtAudio> audio = MakeAudio(name)) {
      std::vector<AudioOutputDevice> devices = OutputsOf(*audio, name);
      out.insert(out.end(), devices.begin(), devices.end());
    }
  }
  return out;
}

AudioOutput::AudioOutput(RenderFunction render, void* context)
    : render_(render), context_(context) {}

AudioOutput::~AudioOutput() {
  Close();
  for (int i = 0; closing_ && i < 100; ++i) {
    FinishClosing(false);
    if (closing_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FinishClosing(true);
}

void AudioOutput::FinishClosing(bool force) {
  if (!closing_) return;
  try {
    if (closing_->isStreamOpen() && !force) return;
    if (closing_->isStreamOpen()) closing_->closeStream();
  } catch (const RtAudioError&) {
  }
  closing_.reset();
}

int AudioOutput::Callback(void* output, void*, unsigned int frames, double, unsigned int status,
                          void* self) {
  auto& out = *static_cast<AudioOutput*>(self);
  if (status & RTAUDIO_OUTPUT_UNDERFLOW) out.underruns_.fetch_add(1, std::memory_order_relaxed);
  auto* left = static_cast<float*>(output);
  int remaining = int(frames);
  int done = 0;
  while (remaining > 0) {
    // A one-channel device plays the left channel; the right one is rendered aside.
    const int piece = out.channels_ == 1 ? std::min(remaining, int(out.spare_.size())) : remaining;
    float* right = out.channels_ == 1 ? out.spare_.data() : left + frames + done;
    out.render_(out.context_, left + done, right, piece);
    done += piece;
    remaining -= piece;
  }
  out.callbacks_.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

bool AudioOutput::Open(const Request& request, std::string& error, std::string& note) {
  Close();
  note.clear();
  std::vector<std::string> apis;
  if (!request.api.empty()) {
    if (!IsAudioApi(request.api)) {
      error = "there is no audio system called '" + request.api + "' here";
      return false;
    }
    apis.push_back(request.api);
  } else {
    apis = AudioApiNames();
  }

  std::unique_ptr<RtAudio> audio;
  RtAudio::DeviceInfo info;
  int id = -1;
  std::string api;
  for (const std::string& name : apis) {
    audio = MakeAudio(name);
    if (!audio) continue;
    if (name == "jack") {
      // One question to the server instead of RtAudio's client per device it looks at.
      JackDevice jack;
      id = FindJackDevice(request.device, jack) ? jack.index : -1;
      info.name = jack.name;
      info.outputChannels = unsigned(std::max(jack.channels, 0));
      info.preferredSampleRate = unsigned(std::max(jack.sampleRate, 0));
      info.sampleRates = {info.preferredSampleRate};
    } else {
      id = FindDevice(*audio, request.device, info);
    }
    if (id >= 0) {
      api = name;
      break;
    }
  }
  if (id < 0) {
    if (!request.device.empty()) {
      error = "the audio output '" + request.device + "' is not there";
    } else {
      error = "no audio output is available";
    }
    return false;
  }

  const int channels = int(std::min(2u, info.outputChannels));
  RtAudio::StreamParameters parameters;
  parameters.deviceId = unsigned(id);
  parameters.nChannels = unsigned(channels);
  RtAudio::StreamOptions options;
  options.flags = RTAUDIO_NONINTERLEAVED | RTAUDIO_SCHEDULE_REALTIME;
  options.streamName = "Fluvia";
  options.priority = 70;

  int rate = request.sampleRate > 0 ? request.sampleRate : int(info.preferredSampleRate);
  if (rate <= 0) rate = 48000;
  const bool named = std::find(info.sampleRates.begin(), info.sampleRates.end(),
                               unsigned(rate)) != info.sampleRates.end();
  if (!info.sampleRates.empty() && !named && info.preferredSampleRate > 0) {
    note = "The audio output " + info.name + " does not offer " + std::to_string(rate) +
           " Hz; it plays at " + std::to_string(info.preferredSampleRate) + " Hz.";
    rate = int(info.preferredSampleRate);
  }
  unsigned frames = unsigned(request.bufferFrames > 0 ? request.bufferFrames
                                                      : kDefaultBufferFrames);
  std::string firstError;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      gStreamError.fatal.store(false, std::memory_order_relaxed);
      audio->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, unsigned(rate), &frames,
                        &AudioOutput::Callback, this, &options, &OnStreamError);
      break;
    } catch (const RtAudioError& e) {
      if (attempt == 0) firstError = e.getMessage();
      // The device refused the rate: its own rate is the one it surely takes.
      const int own = int(info.preferredSampleRate);
      if (attempt == 0 && own > 0 && own != rate) {
        note = "The audio output " + info.name + " refused " + std::to_string(rate) +
               " Hz; it plays at " + std::to_string(own) + " Hz.";
        rate = own;
        continue;
      }
      error = "the audio output " + info.name + " could not be opened: " + firstError;
      return false;
    }
  }
  if (!audio->isStreamOpen()) {
    error = "the audio output " + info.name + " could not be opened";
    return false;
  }
  try {
    sampleRate_ = int(audio->getStreamSampleRate());
  } catch (const RtAudioError&) {
    sampleRate_ = rate;
  }
  if (sampleRate_ <= 0) sampleRate_ = rate;
  bufferFrames_ = int(frames);
  channels_ = channels;
  spare_.assign(size_t(std::max(bufferFrames_, 1)), 0.0f);
  api_ = api;
  device_ = info.name;
  underruns_.store(0, std::memory_order_relaxed);
  callbacks_.store(0, std::memory_order_relaxed);
  audio_ = std::move(audio);
  return true;
}

bool AudioOutput::Start(std::string& error) {
  if (!audio_) {
    error = "no audio output is open";
    return false;
  }
  try {
    audio_->startStream();
  } catch (const RtAudioError& e) {
    error = "the audio output " + device_ + " could not start: " + e.getMessage();
    Close();
    return false;
  }
  started_ = true;
  lastCallbacks_ = 0;
  lastProgress_ = std::chrono::steady_clock::now();
  return true;
}

void AudioOutput::Reset() {
  audio_.reset();
  api_.clear();
  device_.clear();
  sampleRate_ = bufferFrames_ = channels_ = 0;
  started_ = false;
}

void AudioOutput::Close() {
  gStreamError.fatal.store(false, std::memory_order_relaxed);
  if (!audio_) return;
  try {
    if (audio_->isStreamRunning()) audio_->stopStream();
    if (audio_->isStreamOpen()) audio_->closeStream();
  } catch (const RtAudioError&) {
  }
  Reset();
}

bool AudioOutput::CheckLost(std::string& why) {
  if (closing_) FinishClosing(std::chrono::steady_clock::now() - closingSince_ >
                              kSilentStreamLimit);
  if (!audio_ || !started_) return false;
  const uint64_t callbacks = callbacks_.load(std::memory_order_relaxed);
  const auto now = std::chrono::steady_clock::now();
  if (callbacks != lastCallbacks_) lastProgress_ = now;
  lastCallbacks_ = callbacks;

  std::string reason;
  if (gStreamError.fatal.load(std::memory_order_acquire)) {
    reason = gStreamError.text;
  } else if (!audio_->isStreamOpen() || !audio_->isStreamRunning()) {
    // The library closed it itself (a JACK server that shut down does this).
    reason = "the audio server stopped the stream";
  } else if (now - lastProgress_ > kSilentStreamLimit) {
    reason = "the audio output stopped asking for sound";
  } else {
    return false;
  }
  why = "The audio output " + device_ + " went away (" + reason + "); the sound stopped.";
  if (!audio_->isStreamOpen()) {
    Reset();  // the library closed it
  } else if (api_ == "jack") {
    // JACK may be closing it from a thread of its own right now: give that time to finish.
    closing_ = std::move(audio_);
    closingSince_ = now;
    Reset();
  } else {
    Close();
  }
  return true;
}

}  // namespace fluvia::app
