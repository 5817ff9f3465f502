#include "app/devices/jack_server.h"

#include <jack/jack.h>

#include <vector>

namespace fluvia::app {
namespace {

void Silence(const char*) {}

// A client for one question, or null without a server.
jack_client_t* OpenClient() {
  // libjack's own complaints about a missing server are not the person's business.
  jack_set_error_function(&Silence);
  jack_set_info_function(&Silence);
  jack_status_t status{};
  return jack_client_open("Fluvia probe", JackNoStartServer, &status);
}

int CountPorts(jack_client_t* client, const std::string& pattern, unsigned long flags) {
  const char** ports = jack_get_ports(client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags);
  int count = 0;
  if (ports) {
    while (ports[count]) ++count;
    jack_free(ports);
  }
  return count;
}

}  // namespace

bool JackServerRunning() {
  jack_client_t* client = OpenClient();
  if (!client) return false;
  jack_client_close(client);
  return true;
}

bool FindJackDevice(const std::string& name, JackDevice& found) {
  jack_client_t* client = OpenClient();
  if (!client) return false;
  // RtAudio's numbering: the clients in the order the server lists their audio ports, each
  // counted where its name first differs from the port before.
  std::vector<std::string> clients;
  if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, 0)) {
    std::string previous;
    for (int i = 0; ports[i]; ++i) {
      const std::string port = ports[i];
      const auto colon = port.find(':');
      if (colon == std::string::npos) continue;
      const std::string owner = port.substr(0, colon);
      if (owner != previous) clients.push_back(owner);
      previous = owner;
    }
    jack_free(ports);
  }
  bool ok = false;
  for (std::size_t i = 0; i < clients.size() && !ok; ++i) {
    if (!name.empty() && clients[i] != name) continue;
    // RtAudio counts the ports whose names match the client's name as a pattern.
    const int channels = CountPorts(client, clients[i], JackPortIsInput);
    if (channels == 0) {
      if (!name.empty()) break;
      continue;
    }
    found.index = int(i);
    found.name = clients[i];
    found.channels = channels;
    found.sampleRate = int(jack_get_sample_rate(client));
    ok = true;
  }
  jack_client_close(client);
  return ok;
}

}  // namespace fluvia::app
