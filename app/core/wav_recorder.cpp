#include "app/core/wav_recorder.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>

namespace fluvia::app {
namespace {

// libsndfile's messages, without the full stop some of them end in (ours add their own).
std::string SndfileError(SNDFILE* file) {
  std::string text = sf_strerror(file);
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

constexpr auto kWriterPeriod = std::chrono::milliseconds(20);
constexpr int kChunkFrames = 8192;

}  // namespace

struct WavRecorder::File {
  SNDFILE* handle = nullptr;
  ~File() {
    if (handle) sf_close(handle);
  }
};

WavRecorder::WavRecorder() : ring_(size_t(kRingFrames) * 2, 0.0f), chunk_(size_t(kChunkFrames) * 2) {}

WavRecorder::~WavRecorder() { Finish(); }

bool WavRecorder::Start(const std::string& path, int sampleRate, std::string& error) {
  if (writer_.joinable()) {
    if (!done_.load(std::memory_order_acquire)) {
      error = "the last recording is still being written";
      return false;
    }
    writer_.join();
  }
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  // RF64 that stays plain WAV unless the recording grows past what WAV can hold.
  info.format = SF_FORMAT_RF64 | SF_FORMAT_FLOAT;
  auto file = std::make_unique<File>();
  file->handle = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file->handle) {
    error = "cannot record to " + path + ": " + SndfileError(nullptr);
    return false;
  }
  sf_command(file->handle, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  file_ = std::move(file);
  path_ = path;
  writeError_.clear();
  fileFrames_ = 0;
  dropped_.store(0, std::memory_order_relaxed);
  // Whatever a block left in the ring after the last recording stopped is not part of this one.
  read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
  stopping_.store(false, std::memory_order_relaxed);
  done_.store(false, std::memory_order_relaxed);
  writer_ = std::thread([this] { WriterLoop(); });
  armed_.store(true, std::memory_order_release);
  return true;
}

void WavRecorder::Stop() {
  armed_.store(false, std::memory_order_release);
  stopping_.store(true, std::memory_order_release);
}

void WavRecorder::Finish() {
  Stop();
  if (writer_.joinable()) writer_.join();
}

WavRecorder::Status WavRecorder::Poll() {
  Status status;
  if (!writer_.joinable() || !done_.load(std::memory_order_acquire)) return status;
  writer_.join();
  armed_.store(false, std::memory_order_release);
  status.finished = true;
  status.failed = !writeError_.empty();
  status.error = writeError_;
  status.path = path_;
  status.frames = fileFrames_;
  status.dropped = dropped_.load(std::memory_order_relaxed);
  path_.clear();
  return status;
}

void WavRecorder::Write(const float* left, const float* right, int frames) {
  if (!armed_.load(std::memory_order_acquire) || frames <= 0) return;
  const uint64_t written = written_.load(std::memory_order_relaxed);
  const uint64_t room = uint64_t(kRingFrames) - (written - read_.load(std::memory_order_acquire));
  const int fit = int(std::min<uint64_t>(room, uint64_t(frames)));
  for (int i = 0; i < fit; ++i) {
    const size_t slot = size_t((written + uint64_t(i)) % uint64_t(kRingFrames)) * 2;
    ring_[slot] = left[i];
    ring_[slot + 1] = right[i];
  }
  written_.store(written + uint64_t(fit), std::memory_order_release);
  if (fit < frames) dropped_.fetch_add(uint64_t(frames - fit), std::memory_order_relaxed);
}

bool WavRecorder::Drain() {
  for (;;) {
    const uint64_t read = read_.load(std::memory_order_relaxed);
    const uint64_t available = written_.load(std::memory_order_acquire) - read;
    if (available == 0) return true;
    const int frames = int(std::min<uint64_t>(available, uint64_t(kChunkFrames)));
    for (int i = 0; i < frames; ++i) {
      const size_t slot = size_t((read + uint64_t(i)) % uint64_t(kRingFrames)) * 2;
      chunk_[size_t(i) * 2] = ring_[slot];
      chunk_[size_t(i) * 2 + 1] = ring_[slot + 1];
    }
    read_.store(read + uint64_t(frames), std::memory_order_release);
    if (sf_writef_float(file_->handle, chunk_.data(), frames) != frames) {
      writeError_ = "writing " + path_ + " failed: " + SndfileError(file_->handle);
      return false;
    }
    fileFrames_ += uint64_t(frames);
  }
}

void WavRecorder::WriterLoop() {
  bool ok = true;
  while (ok && !stopping_.load(std::memory_order_acquire)) {
    ok = Drain();
    if (ok) std::this_thread::sleep_for(kWriterPeriod);
  }
  armed_.store(false, std::memory_order_release);
  if (ok) Drain();
  if (file_ && sf_close(file_->handle) != 0 && writeError_.empty()) {
    writeError_ = std::string("closing ") + path_ + " failed";
  }
  if (file_) file_->handle = nullptr;
  file_.reset();
  done_.store(true, std::memory_order_release);
}

}  // namespace fluvia::app
