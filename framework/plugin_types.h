#pragma once
// Plain records shared by the plug-in base, the instrument and the host adapters.

#include <cstdint>

namespace fluvia {

enum class PluginApi : int32_t { VST2 = 0, VST3 = 1, LV2 = 2 };

// Identified host application; see LookUpHost. -1 until identified, 0 for an unknown host.
using HostKind = int32_t;
constexpr HostKind kHostNotIdentified = -1;
constexpr HostKind kHostUnknown = 0;

// Builds a four-character code such as 'Vfl1' without relying on multi-character literals.
constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
         (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

// One short MIDI message, stamped with its frame offset inside the current block.
struct MidiMessage {
  int32_t offset = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;

  int Kind() const { return status >> 4; }
  int Channel() const { return status & 0x0F; }
};

struct SysExMessage {
  int32_t offset = 0;
  int32_t size = 0;
  const uint8_t* data = nullptr;
};

// Transport facts of the current block, filled by the host adapter. Fields the host does not
// supply keep the values the caller put there.
struct TimeInfo {
  double tempo = 0.0;
  double samplePosition = 0.0;
  double ppqPosition = 0.0;
  double lastBarPosition = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool transportRunning = false;
  bool cycleActive = false;
};

struct ChannelIOPair {
  int32_t inputs = 0;
  int32_t outputs = 0;
};

}  // namespace fluvia
