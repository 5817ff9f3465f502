#pragma once
// A private JACK server for one test (the dummy driver: no sound card needed) and the test's
// own JACK client on it, which records what reaches its two audio inputs and sends MIDI from
// its MIDI output, as another program would.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace fluvia::testing {

class JackServer {
 public:
  // Starts `jackd -n <unique name> -d dummy -r <rate> -p <period>` and waits until it takes
  // clients.
  // `realtime`: the server and its clients' process threads run with real-time priority (as a
  // studio machine has them); tests run without, since a shared machine may refuse it.
  explicit JackServer(int rate = 48000, int period = 128, std::string name = {},
                      bool realtime = false);
  // A name no other test's server has.
  static std::string UniqueName();
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool Running() const { return pid_ > 0 && ready_; }
  const std::string& Name() const { return name_; }
  // Ends the server under its clients (as a person quitting it would).
  void Kill();

 private:
  std::string name_;
  int pid_ = -1;
  bool ready_ = false;
};

class JackProbe {
 public:
  static constexpr int kMaxRecordFrames = 48000 * 10;

  JackProbe(const std::string& server, const std::string& name);
  ~JackProbe();
  JackProbe(const JackProbe&) = delete;
  JackProbe& operator=(const JackProbe&) = delete;

  bool Ok() const { return client_ != nullptr; }
  std::string InputPort(int channel) const;  // "probe:in_1"
  std::string MidiPort() const;              // "probe:midi_out"

  // Ports whose full names match the regular expression (JACK's own matching); MIDI ports
  // instead of audio ones with `midiOutputs` (the outputs only, as a MIDI input lists them).
  std::vector<std::string> Ports(const std::string& pattern, bool midiOutputs = false) const;
  bool WaitForPorts(const std::string& pattern, std::size_t count, int timeoutMs) const;
  bool Connect(const std::string& from, const std::string& to);
  // Whether the port has any connection.
  bool Connected(const std::string& port) const;
  // Connects the program's two outputs ("Client:outport 0/1") to our inputs, waiting up to 3 s
  // for the program to be ready for it.
  bool ListenTo(const std::string& client);

  // Records both inputs for that long (blocks the calling thread); returns the left channel.
  std::vector<float> Record(double seconds, std::vector<float>* right = nullptr);
  // Sends the bytes at the start of the next cycle.
  void SendMidi(uint8_t status, uint8_t data1, uint8_t data2);
  int SampleRate() const;

  // The server's dropouts (xruns) since the probe started.
  int Xruns() const { return xruns_.load(std::memory_order_relaxed); }
  // From now on, the moment the first sound (a non-zero sample) reaches the inputs.
  void WatchForSound();
  bool SoundArrived() const { return soundArrived_.load(std::memory_order_acquire); }
  std::chrono::steady_clock::time_point SoundTime() const { return soundTime_; }

 private:
  static int Process(uint32_t frames, void* self);
  static int Xrun(void* self);

  jack_client_t* client_ = nullptr;
  jack_port_t* inputs_[2] = {};
  jack_port_t* midi_ = nullptr;
  std::string name_;
  std::vector<float> left_, right_;
  std::atomic<int> recorded_{0};
  std::atomic<int> wanted_{0};
  std::atomic<uint32_t> midiCount_{0};
  uint8_t midiBytes_[64][3] = {};
  std::atomic<uint32_t> midiSent_{0};
  std::atomic<int> xruns_{0};
  std::atomic<bool> watching_{false};
  std::atomic<bool> soundArrived_{false};
  std::chrono::steady_clock::time_point soundTime_;
};

// Root-mean-square level of samples (0 for none).
double Rms(const std::vector<float>& samples);

}  // namespace fluvia::testing
