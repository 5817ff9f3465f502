#include "tests/app/program/jack_probe.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

extern char** environ;

namespace fluvia::testing {
namespace {

void Silence(const char*) {}

void QuietJack() {
  static bool done = false;
  if (done) return;
  done = true;
  jack_set_error_function(&Silence);
  jack_set_info_function(&Silence);
}

jack_client_t* OpenClient(const std::string& server, const std::string& name) {
  QuietJack();
  jack_status_t status{};
  return jack_client_open(name.c_str(),
                          jack_options_t(JackNoStartServer | JackServerName | JackUseExactName),
                          &status, server.c_str());
}

}  // namespace

std::string JackServer::UniqueName() {
  std::random_device random;
  return "fluvia-test-" + std::to_string(getpid()) + "-" + std::to_string(random() % 100000);
}

JackServer::JackServer(int rate, int period, std::string name, bool realtime)
    : name_(name.empty() ? UniqueName() : std::move(name)) {
  const std::string rateText = std::to_string(rate), periodText = std::to_string(period);
  std::vector<std::string> args = {"jackd", realtime ? "--realtime" : "--no-realtime", "-n",
                                   name_, "-d", "dummy", "-r", rateText, "-p", periodText};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "jackd", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return;
  pid_ = pid;
  for (int i = 0; i < 200 && !ready_; ++i) {
    if (jack_client_t* client = OpenClient(name_, "fluvia-test-ready")) {
      jack_client_close(client);
      ready_ = true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
  }
}

JackServer::~JackServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);  // a server that hangs on its way out
  waitpid(pid_, &status, 0);
}

void JackServer::Kill() {
  if (pid_ <= 0) return;
  // Ended, not killed: a JACK server killed outright keeps its place in the machine's table of
  // servers (eight places in all) for good, and no server can start once they are taken. Its
  // clients see it go away either way.
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  ready_ = false;
}

JackProbe::JackProbe(const std::string& server, const std::string& name)
    : name_(name), left_(kMaxRecordFrames), right_(kMaxRecordFrames) {
  client_ = OpenClient(server, name);
  if (!client_) return;
  inputs_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  inputs_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  midi_ = jack_port_register(client_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client_, &JackProbe::Process, this);
  jack_set_xrun_callback(client_, &JackProbe::Xrun, this);
  if (jack_activate(client_) != 0) {
    jack_client_close(client_);
    client_ = nullptr;
  }
}

JackProbe::~JackProbe() {
  if (!client_) return;
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackProbe::InputPort(int channel) const {
  return name_ + ":in_" + std::to_string(channel + 1);
}
std::string JackProbe::MidiPort() const { return name_ + ":midi_out"; }

int JackProbe::Process(uint32_t frames, void* self) {
  auto& probe = *static_cast<JackProbe*>(self);
  const auto* left = static_cast<const float*>(jack_port_get_buffer(probe.inputs_[0], frames));
  const auto* right = static_cast<const float*>(jack_port_get_buffer(probe.inputs_[1], frames));
  const int recorded = probe.recorded_.load(std::memory_order_relaxed);
  const int wanted = probe.wanted_.load(std::memory_order_acquire);
  if (recorded < wanted) {
    const int n = std::min(int(frames), wanted - recorded);
    std::memcpy(&probe.left_[size_t(recorded)], left, size_t(n) * sizeof(float));
    std::memcpy(&probe.right_[size_t(recorded)], right, size_t(n) * sizeof(float));
    probe.recorded_.store(recorded + n, std::memory_order_release);
  }
  if (probe.watching_.load(std::memory_order_acquire) &&
      !probe.soundArrived_.load(std::memory_order_relaxed)) {
    for (uint32_t i = 0; i < frames; ++i) {
      if (left[i] != 0.0f || right[i] != 0.0f) {
        probe.soundTime_ = std::chrono::steady_clock::now();
        probe.soundArrived_.store(true, std::memory_order_release);
        break;
      }
    }
  }
  void* midi = jack_port_get_buffer(probe.midi_, frames);
  jack_midi_clear_buffer(midi);
  const uint32_t count = probe.midiCount_.load(std::memory_order_acquire);
  uint32_t sent = probe.midiSent_.load(std::memory_order_relaxed);
  for (; sent < count; ++sent) {
    jack_midi_event_write(midi, 0, probe.midiBytes_[sent % 64], 3);
  }
  probe.midiSent_.store(sent, std::memory_order_release);
  return 0;
}

int JackProbe::Xrun(void* self) {
  static_cast<JackProbe*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

void JackProbe::WatchForSound() {
  soundArrived_.store(false, std::memory_order_relaxed);
  watching_.store(true, std::memory_order_release);
}

std::vector<std::string> JackProbe::Ports(const std::string& pattern, bool midiOutputs) const {
  std::vector<std::string> out;
  if (!client_) return out;
  const char** ports = jack_get_ports(
      client_, pattern.c_str(), midiOutputs ? JACK_DEFAULT_MIDI_TYPE : JACK_DEFAULT_AUDIO_TYPE,
      midiOutputs ? JackPortIsOutput : 0);
  if (!ports) return out;
  for (const char** p = ports; *p; ++p) out.push_back(*p);
  jack_free(ports);
  return out;
}

bool JackProbe::WaitForPorts(const std::string& pattern, std::size_t count, int timeoutMs) const {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    if (Ports(pattern).size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool JackProbe::Connect(const std::string& from, const std::string& to) {
  if (!client_) return false;
  const int result = jack_connect(client_, from.c_str(), to.c_str());
  return result == 0 || result == EEXIST;
}

bool JackProbe::Connected(const std::string& port) const {
  if (!client_) return false;
  jack_port_t* p = jack_port_by_name(client_, port.c_str());
  return p && jack_port_connected(p) > 0;
}

bool JackProbe::ListenTo(const std::string& client) {
  // The program's ports exist a moment before it is active, and the server refuses to
  // connect ports of a client that is not yet.
  for (int i = 0; i < 150; ++i) {
    if (Connect(client + ":outport 0", InputPort(0)) &&
        Connect(client + ":outport 1", InputPort(1))) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::vector<float> JackProbe::Record(double seconds, std::vector<float>* right) {
  const int frames = std::min(kMaxRecordFrames, int(seconds * SampleRate()));
  recorded_.store(0, std::memory_order_relaxed);
  wanted_.store(frames, std::memory_order_release);
  for (int i = 0; i < 2000 && recorded_.load(std::memory_order_acquire) < frames; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const int got = recorded_.load(std::memory_order_acquire);
  wanted_.store(0, std::memory_order_release);
  if (right) right->assign(right_.begin(), right_.begin() + got);
  return std::vector<float>(left_.begin(), left_.begin() + got);
}

void JackProbe::SendMidi(uint8_t status, uint8_t data1, uint8_t data2) {
  const uint32_t count = midiCount_.load(std::memory_order_relaxed);
  midiBytes_[count % 64][0] = status;
  midiBytes_[count % 64][1] = data1;
  midiBytes_[count % 64][2] = data2;
  midiCount_.store(count + 1, std::memory_order_release);
}

int JackProbe::SampleRate() const { return client_ ? int(jack_get_sample_rate(client_)) : 48000; }

double Rms(const std::vector<float>& samples) {
  if (samples.empty()) return 0.0;
  double sum = 0.0;
  for (float s : samples) sum += double(s) * double(s);
  return std::sqrt(sum / double(samples.size()));
}

}  // namespace fluvia::testing
