#pragma once
// The MIDI inputs of the machine and the one the application listens to, through RtMidi
// (Linux: the ALSA sequencer and JACK; Windows: WinMM).
//
// Ports are named by their MIDI system ("alsa", "jack", "winmm") and the port name. Messages
// of the open port arrive on RtMidi's thread; the channel messages among them go to the
// delivery function (which must not block). Listing and opening belong to the control thread,
// which also calls Check on its timer: a port that vanishes is closed and reported, and opened
// again by itself when it comes back.

#include <memory>
#include <string>
#include <vector>

#include "framework/plugin_types.h"

class RtMidiIn;

namespace fluvia::app {

struct MidiPort {
  std::string api;
  std::string name;
};

std::vector<std::string> MidiApiNames();
std::string MidiApiDisplayName(const std::string& api);

// Whether two port names name one port. ALSA puts the client and port numbers at the end
// ("Keystation 49 MIDI 1 24:0"), which change when a device is plugged in again.
bool SameMidiPort(const std::string& a, const std::string& b);

class MidiInputs {
 public:
  using Deliver = void (*)(void* context, const MidiMessage& message);

  MidiInputs(Deliver deliver, void* context);
  ~MidiInputs();
  MidiInputs(const MidiInputs&) = delete;
  MidiInputs& operator=(const MidiInputs&) = delete;

  std::vector<MidiPort> List();
  // Opens the named port (of `api`, or of whichever system has it when empty); false with the
  // reason when it is not there or cannot be opened.
  bool Open(const std::string& api, const std::string& name, std::string& error);
  // Closes the port and forgets it (no reconnecting).
  void Close();
  bool IsOpen() const { return in_ != nullptr; }
  const std::string& Api() const { return api_; }
  const std::string& Name() const { return name_; }

  enum class Change { None, Lost, Back };
  Change Check(std::string& message);

  // The system's server went away (JACK): its ports and connections are dropped and made
  // afresh the next time they are needed.
  void ForgetApi(const std::string& api);

 private:
  static void OnMessage(double timeStamp, std::vector<unsigned char>* bytes, void* self);
  RtMidiIn* Probe(const std::string& api);
  bool Listed(const std::string& api, const std::string& name, std::string* exactName);

  Deliver deliver_;
  void* context_;
  struct ProbeEntry;
  std::vector<std::unique_ptr<ProbeEntry>> probes_;
  std::unique_ptr<RtMidiIn> in_;
  std::string api_, name_;          // the open (or wanted, after a loss) port
  bool wanted_ = false;             // reopen when the port comes back
};

}  // namespace fluvia::app
