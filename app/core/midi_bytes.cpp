#include "app/core/midi_bytes.h"

namespace fluvia::app {

std::optional<MidiMessage> ChannelMessageFromBytes(const uint8_t* bytes, std::size_t size) {
  if (!bytes || size == 0) return std::nullopt;
  const uint8_t status = bytes[0];
  if (status < 0x80 || status >= 0xF0) return std::nullopt;
  // Program change and channel pressure carry one data byte, the others two.
  const int kind = status >> 4;
  const std::size_t expected = (kind == 0xC || kind == 0xD) ? 2 : 3;
  if (size != expected) return std::nullopt;
  for (std::size_t i = 1; i < size; ++i) {
    if (bytes[i] >= 0x80) return std::nullopt;
  }
  MidiMessage message;
  message.status = status;
  message.data1 = bytes[1];
  message.data2 = expected == 3 ? bytes[2] : 0;
  return message;
}

}  // namespace fluvia::app
