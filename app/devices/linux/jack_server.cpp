#include "app/devices/jack_server.h"

#include <jack/jack.h>

namespace fluvia::app {
namespace {

void Silence(const char*) {}

}  // namespace

bool JackServerRunning() {
  // libjack's own complaints about a missing server are not the person's business.
  jack_set_error_function(&Silence);
  jack_set_info_function(&Silence);
  jack_status_t status{};
  jack_client_t* client = jack_client_open("Fluvia probe", JackNoStartServer, &status);
  if (!client) return false;
  jack_client_close(client);
  return true;
}

}  // namespace fluvia::app
