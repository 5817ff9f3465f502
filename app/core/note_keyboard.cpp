#include "app/core/note_keyboard.h"

namespace fluvia::app {
namespace {

constexpr int kLowestOctaveStart = 24;
constexpr int kHighestOctaveStart = 96;

// Semitones above the octave's C for each key, or -1.
int SemitoneOf(char key) {
  switch (key) {
    case 'A': return 0;
    case 'W': return 1;
    case 'S': return 2;
    case 'E': return 3;
    case 'D': return 4;
    case 'F': return 5;
    case 'T': return 6;
    case 'G': return 7;
    case 'Y': return 8;
    case 'H': return 9;
    case 'U': return 10;
    case 'J': return 11;
    case 'K': return 12;
    case 'O': return 13;
    case 'L': return 14;
    case 'P': return 15;
    case ';': return 16;
    default: return -1;
  }
}

MidiMessage Note(bool on, int note, int channel) {
  MidiMessage message;
  message.status = uint8_t((on ? 0x90 : 0x80) | (channel & 0x0F));
  message.data1 = uint8_t(note);
  message.data2 = on ? uint8_t(NoteKeyboard::kVelocity) : 0;
  return message;
}

bool Indexable(char key) { return static_cast<unsigned char>(key) < 128; }

}  // namespace

int NoteKeyboard::NoteFor(char key) const {
  const int semitone = SemitoneOf(key);
  if (semitone < 0) return -1;
  const int note = octaveStart_ + semitone;
  return note <= 127 ? note : -1;
}

std::optional<MidiMessage> NoteKeyboard::KeyDown(char key, int channel) {
  if (key == 'Z' || key == 'X') {
    const int next = octaveStart_ + (key == 'Z' ? -12 : 12);
    if (next >= kLowestOctaveStart && next <= kHighestOctaveStart) octaveStart_ = next;
    return std::nullopt;
  }
  if (!Indexable(key)) return std::nullopt;
  int& sounding = sounding_[size_t(key)];
  const int note = NoteFor(key);
  if (note < 0 || sounding != 0) return std::nullopt;
  sounding = note + 1;
  return Note(true, note, channel);
}

std::optional<MidiMessage> NoteKeyboard::KeyUp(char key, int channel) {
  if (!Indexable(key)) return std::nullopt;
  int& sounding = sounding_[size_t(key)];
  if (sounding == 0) return std::nullopt;
  const int note = sounding - 1;
  sounding = 0;
  return Note(false, note, channel);
}

std::vector<MidiMessage> NoteKeyboard::ReleaseAll(int channel) {
  std::vector<MidiMessage> out;
  for (int& sounding : sounding_) {
    if (sounding == 0) continue;
    out.push_back(Note(false, sounding - 1, channel));
    sounding = 0;
  }
  return out;
}

}  // namespace fluvia::app
