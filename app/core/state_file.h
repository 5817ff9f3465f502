#pragma once
// The instrument's state between runs of the application: the plug-in base's parameter block
// (what a host would store in a project), in a small file beside the settings file, replaced
// only by a complete new file.
//
//   "FluviaAppState\n"  15 bytes
//   version             4 bytes, little-endian, 1
//   size                4 bytes, little-endian: the block's length
//   block               `size` bytes
//
// A file that is not exactly this (other bytes, another length, a block of another size than
// the instrument's) is damaged: it is not applied, and it is set aside under another name so
// that saving the next state loses nothing.

#include <string>

#include "framework/state_chunk.h"

namespace fluvia::app {

inline constexpr const char* kStateFileName = "Application State.dat";

// The state file that belongs to a preset folder (beside Settings.txt).
std::string StateFileFor(const std::string& presetFolder);

std::string EncodeState(const StateChunk& block);
// True and the block when the bytes are a state file with a block of `expectedSize` bytes.
bool DecodeState(const std::string& bytes, int expectedSize, StateChunk& block);

enum class StateRead { Missing, Restored, Damaged };
// Reads the file; a damaged one is renamed to "<file>.damaged" (`setAside` names where it went,
// empty when even that failed).
StateRead ReadStateFile(const std::string& path, int expectedSize, StateChunk& block,
                        std::string& setAside);
bool WriteStateFile(const std::string& path, const StateChunk& block);

}  // namespace fluvia::app
