#pragma once
// NoteKeyboard: the computer keyboard as a piano keyboard, while the window has the focus.
// The letter rows give one and a half octaves the way most music programs lay them out:
//
//    W E   T Y U   O P         black keys
//   A S D F G H J K L ;        white keys, A is C
//
// Z and X move the octave down and up (C1 to C7 at A). Keys are named by their letter in
// upper case (what the window hosts report); a key held down repeats nothing, and a note
// still sounding when its key goes up ends even if the octave changed meanwhile.

#include <array>
#include <optional>
#include <vector>

#include "framework/plugin_types.h"

namespace fluvia::app {

class NoteKeyboard {
 public:
  static constexpr int kVelocity = 100;
  static constexpr int kDefaultOctaveStart = 60;  // A plays middle C

  // The message a key press or release makes (nothing for keys that play no note, a key
  // already down, or a release of a key that is not down). `channel` 0..15.
  std::optional<MidiMessage> KeyDown(char key, int channel);
  std::optional<MidiMessage> KeyUp(char key, int channel);
  // Note-offs for every note the keyboard holds (the window lost the focus).
  std::vector<MidiMessage> ReleaseAll(int channel);

  int OctaveStart() const { return octaveStart_; }
  // The note a key plays at the current octave, or -1.
  int NoteFor(char key) const;

 private:
  int octaveStart_ = kDefaultOctaveStart;
  std::array<int, 128> sounding_{};  // per key character: note + 1 while held, else 0
};

}  // namespace fluvia::app
