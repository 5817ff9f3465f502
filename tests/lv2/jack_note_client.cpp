// A JACK client for the jalv test: sends one note to a plug-in's MIDI input and listens to its
// two outputs. Before the note the plug-in must be silent, while it is held it must sound.
//
//   jack_note_client <plug-in client name>     (JACK_DEFAULT_SERVER names the server)
// Exit status 0 when both hold, 1 otherwise, 2 when JACK cannot be reached.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

namespace {

jack_port_t* midiOut = nullptr;
jack_port_t* inputs[2] = {nullptr, nullptr};
std::atomic<jack_nframes_t> rate{48000};
std::atomic<uint64_t> frame{0};
// Written by the process thread only, read once it has stopped.
double beforeSquares = 0.0, heldSquares = 0.0;
uint64_t beforeCount = 0, heldCount = 0;
std::atomic<bool> noteSent{false};
// Set once the connections are made; the frames are counted from there.
std::atomic<bool> armed{false};

int Process(jack_nframes_t frames, void*) {
  void* midi = jack_port_get_buffer(midiOut, frames);
  jack_midi_clear_buffer(midi);
  if (!armed) return 0;
  const uint64_t start = frame.load();
  const uint64_t noteOn = rate / 4;        // a quarter of a second in
  const uint64_t noteOff = 2 * uint64_t(rate);
  for (uint64_t at : {noteOn, noteOff}) {
    if (at >= start && at < start + frames) {
      const jack_midi_data_t on[3] = {0x90, 60, 100}, off[3] = {0x80, 60, 0};
      jack_midi_event_write(midi, jack_nframes_t(at - start), at == noteOn ? on : off, 3);
      if (at == noteOn) noteSent = true;
    }
  }
  for (jack_port_t* port : inputs) {
    const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
    for (jack_nframes_t i = 0; i < frames; ++i) {
      const uint64_t f = start + i;
      const double s = double(samples[i]);
      if (f < noteOn) {
        beforeSquares += s * s, ++beforeCount;
      } else if (f > noteOn + rate / 2 && f < noteOff) {  // after the attack has begun
        heldSquares += s * s, ++heldCount;
      }
    }
  }
  frame = start + frames;
  return 0;
}

bool Connect(jack_client_t* client, const std::string& from, const std::string& to) {
  const int result = jack_connect(client, from.c_str(), to.c_str());
  if (result != 0) std::fprintf(stderr, "cannot connect %s to %s (%d)\n", from.c_str(), to.c_str(), result);
  return result == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <plug-in client name>\n", argv[0]);
    return 2;
  }
  const std::string plugin = argv[1];
  jack_status_t status{};
  jack_client_t* client = jack_client_open("fluvia-test", JackNoStartServer, &status);
  if (!client) {
    std::fprintf(stderr, "no JACK server (status 0x%x)\n", unsigned(status));
    return 2;
  }
  rate = jack_get_sample_rate(client);
  midiOut = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  inputs[0] = jack_port_register(client, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  inputs[1] = jack_port_register(client, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, Process, nullptr);
  if (!midiOut || !inputs[0] || !inputs[1] || jack_activate(client) != 0) {
    std::fprintf(stderr, "cannot set up the JACK client\n");
    return 2;
  }
  const std::string self = jack_get_client_name(client);
  const bool connected = Connect(client, self + ":midi_out", plugin + ":events") &&
                         Connect(client, plugin + ":out_left", self + ":in_left") &&
                         Connect(client, plugin + ":out_right", self + ":in_right");
  // The note goes out a quarter of a second after the connections.
  armed = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(2300));
  jack_deactivate(client);
  jack_client_close(client);
  if (!connected) return 1;

  const double before = beforeCount ? std::sqrt(beforeSquares / double(beforeCount)) : -1.0;
  const double held = heldCount ? std::sqrt(heldSquares / double(heldCount)) : 0.0;
  std::printf("note sent: %s; rms before the note %.3g over %llu samples, while held %.3g over %llu\n",
              noteSent ? "yes" : "no", before, (unsigned long long)beforeCount, held,
              (unsigned long long)heldCount);
  return noteSent && before == 0.0 && held > 1e-4 ? 0 : 1;
}
