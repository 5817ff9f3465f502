#include "app/devices/midi_inputs.h"

#include <RtMidi.h>

#include <algorithm>
#include <cctype>
#ifdef __linux__
#include <unistd.h>
#endif
#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#endif

#include "app/core/midi_bytes.h"
#include "app/devices/jack_server.h"

namespace fluvia::app {
namespace {

constexpr const char* kClientName = "Fluvia MIDI";
constexpr const char* kPortName = "MIDI in";

// RtMidi reports through this instead of printing or throwing; the last text is kept.
void KeepError(RtMidiError::Type, const std::string& text, void* slot) {
  *static_cast<std::string*>(slot) = text;
}

std::string WithoutAlsaNumbers(const std::string& name) {
  // "... 24:0": a space, digits, a colon, digits at the end.
  std::size_t end = name.size();
  std::size_t i = end;
  while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) --i;
  if (i == end || i == 0 || name[i - 1] != ':') return name;
  std::size_t j = i - 1;
  while (j > 0 && std::isdigit(static_cast<unsigned char>(name[j - 1]))) --j;
  if (j == i - 1 || j == 0 || name[j - 1] != ' ') return name;
  return name.substr(0, j - 1);
}

}  // namespace

struct MidiInputs::ProbeEntry {
  std::string api;
  std::string error;
  std::unique_ptr<RtMidiIn> in;
};

std::vector<std::string> MidiApiNames() {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  std::vector<std::string> out;
  for (RtMidi::Api api : compiled) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    out.push_back(RtMidi::getApiName(api));
  }
  return out;
}

std::string MidiApiDisplayName(const std::string& api) {
  if (api == "alsa") return "ALSA";
  if (api == "jack") return "JACK";
  if (api == "winmm") return "Windows MultiMedia";
  return api;
}

bool SameMidiPort(const std::string& a, const std::string& b) {
  return a == b || WithoutAlsaNumbers(a) == WithoutAlsaNumbers(b);
}

MidiInputs::MidiInputs(Deliver deliver, void* context) : deliver_(deliver), context_(context) {}

MidiInputs::~MidiInputs() { Close(); }

RtMidiIn* MidiInputs::Probe(const std::string& api) {
  for (auto& probe : probes_) {
    if (probe->api == api) return probe->in.get();
  }
  auto probe = std::make_unique<ProbeEntry>();
  probe->api = api;
#ifdef __linux__
  // Without the sequencer device (a machine without sound hardware) ALSA cannot list
  // anything, and RtMidi would print its complaint before throwing it.
  if (api == "alsa" && access("/dev/snd/seq", R_OK | W_OK) != 0) {
    probes_.push_back(std::move(probe));
    return nullptr;
  }
#endif
  // No server: nothing to list, and asked again the next time (it may have started).
  if (api == "jack" && !JackServerRunning()) return nullptr;
#ifdef _WIN32
  // Likewise without any MIDI input device (RtMidi would print that there is none).
  if (api == "winmm" && midiInGetNumDevs() == 0) return nullptr;
#endif
  try {
    probe->in = std::make_unique<RtMidiIn>(RtMidi::getCompiledApiByName(api), kClientName);
    probe->in->setErrorCallback(&KeepError, &probe->error);
  } catch (const RtMidiError&) {
    probe->in.reset();  // the system is not there (no sequencer, no server)
  }
  RtMidiIn* in = probe->in.get();
  probes_.push_back(std::move(probe));
  return in;
}

std::vector<MidiPort> MidiInputs::List() {
  std::vector<MidiPort> out;
  for (const std::string& api : MidiApiNames()) {
    RtMidiIn* probe = Probe(api);
    if (!probe) continue;
    try {
      const unsigned count = probe->getPortCount();
      for (unsigned i = 0; i < count; ++i) {
        std::string name = probe->getPortName(i);
        // Our own input (JACK lists it when another program could connect to it).
        if (name.empty() || name.find(kClientName) != std::string::npos) continue;
        out.push_back({api, std::move(name)});
      }
    } catch (const RtMidiError&) {
    }
  }
  return out;
}

bool MidiInputs::Listed(const std::string& api, const std::string& name, std::string* exactName) {
  for (const MidiPort& port : List()) {
    if (!api.empty() && port.api != api) continue;
    if (SameMidiPort(port.name, name)) {
      if (exactName) *exactName = port.name;
      return true;
    }
  }
  return false;
}

bool MidiInputs::Open(const std::string& api, const std::string& name, std::string& error) {
  Close();
  std::vector<MidiPort> ports = List();
  // The exact name first, then the same device under other ALSA numbers.
  auto found = std::find_if(ports.begin(), ports.end(), [&](const MidiPort& port) {
    return (api.empty() || port.api == api) && port.name == name;
  });
  if (found == ports.end()) {
    found = std::find_if(ports.begin(), ports.end(), [&](const MidiPort& port) {
      return (api.empty() || port.api == api) && SameMidiPort(port.name, name);
    });
  }
  if (found == ports.end()) {
    error = "the MIDI input '" + name + "' is not there";
    return false;
  }
  std::string problem;
  try {
    auto in = std::make_unique<RtMidiIn>(RtMidi::getCompiledApiByName(found->api), kClientName);
    in->setErrorCallback(&KeepError, &problem);
    // The port's number is looked up again on this object: numbering is per connection.
    const unsigned count = in->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
      if (in->getPortName(i) != found->name) continue;
      in->ignoreTypes(true, true, true);
      in->setCallback(&MidiInputs::OnMessage, this);
      in->openPort(i, kPortName);
      break;
    }
    if (!in->isPortOpen()) {
      error = "the MIDI input '" + found->name + "' could not be opened" +
              (problem.empty() ? "" : ": " + problem);
      return false;
    }
    in_ = std::move(in);
  } catch (const RtMidiError& e) {
    error = "the MIDI input '" + found->name + "' could not be opened: " + e.getMessage();
    return false;
  }
  api_ = found->api;
  name_ = found->name;
  wanted_ = true;
  return true;
}

void MidiInputs::Close() {
  if (in_) {
    try {
      in_->cancelCallback();
      in_->closePort();
    } catch (const RtMidiError&) {
    }
    in_.reset();
  }
  wanted_ = false;
  api_.clear();
  name_.clear();
}

MidiInputs::Change MidiInputs::Check(std::string& message) {
  if (!wanted_) return Change::None;
  if (in_) {
    if (Listed(api_, name_, nullptr)) return Change::None;
    try {
      in_->cancelCallback();
      in_->closePort();
    } catch (const RtMidiError&) {
    }
    in_.reset();
    message = "The MIDI input " + name_ + " went away; it plays again when it comes back.";
    return Change::Lost;
  }
  std::string exact;
  if (!Listed(api_, name_, &exact)) return Change::None;
  const std::string api = api_;
  std::string error;
  if (!Open(api, exact, error)) {
    // Keep waiting for it.
    wanted_ = true;
    api_ = api;
    name_ = exact;
    return Change::None;
  }
  message = "The MIDI input " + name_ + " is back.";
  return Change::Back;
}

void MidiInputs::ForgetApi(const std::string& api) {
  if (in_ && api_ == api) {
    in_.reset();  // its connection went with the server
  }
  probes_.erase(std::remove_if(probes_.begin(), probes_.end(),
                               [&](const auto& probe) { return probe->api == api; }),
                probes_.end());
}

void MidiInputs::OnMessage(double, std::vector<unsigned char>* bytes, void* self) {
  if (!bytes || !self) return;
  auto& inputs = *static_cast<MidiInputs*>(self);
  if (const auto message = ChannelMessageFromBytes(bytes->data(), bytes->size())) {
    inputs.deliver_(inputs.context_, *message);
  }
}

}  // namespace fluvia::app
