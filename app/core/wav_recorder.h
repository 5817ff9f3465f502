#pragma once
// WavRecorder: records what the application plays into a WAV file (32-bit float, as the
// instrument renders it; RF64 past 4 GB) through libsndfile.
//
// The audio thread hands each block to Write, which only copies it into a ring of fixed size:
// no allocation, lock or system call. A writer thread of the recorder empties the ring into the
// file. If the disk cannot keep up for longer than the ring holds (about five seconds), the
// frames that do not fit are dropped and counted, never waited for.
//
// Start, Stop and Poll belong to one control thread (the window's); none of them waits for
// the writer except Finish, for the end of the program.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fluvia::app {

class WavRecorder {
 public:
  static constexpr int kRingFrames = 1 << 18;

  WavRecorder();
  ~WavRecorder();
  WavRecorder(const WavRecorder&) = delete;
  WavRecorder& operator=(const WavRecorder&) = delete;

  // Creates the file and records every block from now on. False with a reason for the person
  // when the file cannot be created (or a recording is still being finished).
  bool Start(const std::string& path, int sampleRate, std::string& error);
  // Asks the writer to write what is left and close the file; Poll reports when it has.
  void Stop();
  // Waits until the writer has closed the file (the end of the program).
  void Finish();

  struct Status {
    bool finished = false;    // a recording ended since the last Poll
    bool failed = false;      // ... because writing failed (the disk is full, say)
    std::string path;
    std::string error;
    uint64_t frames = 0;      // frames in the file
    uint64_t dropped = 0;     // frames the ring had no room for
  };
  // From the control thread's timer: whether a recording has ended (Stop, or a write error,
  // which ends the recording by itself).
  Status Poll();

  bool Recording() const { return armed_.load(std::memory_order_acquire); }
  // The file being recorded (empty when none).
  const std::string& Path() const { return path_; }

  // Audio thread: one block of the two channels.
  void Write(const float* left, const float* right, int frames);

 private:
  struct File;
  void WriterLoop();
  bool Drain();  // writer thread: false when writing failed

  std::vector<float> ring_;  // interleaved, kRingFrames frames
  std::atomic<uint64_t> written_{0};  // frames the audio thread put in (producer's index)
  std::atomic<uint64_t> read_{0};     // frames the writer took out (consumer's index)
  std::atomic<uint64_t> dropped_{0};
  std::atomic<bool> armed_{false};    // the audio thread hands blocks over
  std::atomic<bool> stopping_{false};
  std::atomic<bool> done_{false};     // the writer closed the file
  std::unique_ptr<File> file_;
  std::thread writer_;
  std::string path_;
  std::vector<float> chunk_;  // the writer's own interleaved buffer
  std::string writeError_;    // set by the writer before done_
  uint64_t fileFrames_ = 0;   // the writer's
};

}  // namespace fluvia::app
