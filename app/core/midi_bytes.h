#pragma once
// What a MIDI input delivers, as the instrument takes it: one channel message of two or three
// bytes. Everything else (system messages, SysEx, running-status fragments, stray data bytes,
// messages of the wrong length) is refused, so no input can hand the instrument a malformed
// message.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "framework/plugin_types.h"

namespace fluvia::app {

std::optional<MidiMessage> ChannelMessageFromBytes(const uint8_t* bytes, std::size_t size);

}  // namespace fluvia::app
