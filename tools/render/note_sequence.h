#pragma once
// The notes fluvia-render plays: one held note, or a sequence of timed notes given as
// repeated --at options or as a file, turned into note events at frames of the stream.

#include <string>
#include <vector>

namespace fluvia::render {

struct TimedNote {
  double start = 0.0;   // seconds from the start of the render
  int note = 60;
  int velocity = 100;
  double length = 0.0;  // seconds held
};

struct NoteEvent {
  long frame = 0;  // from the start of the stream
  bool on = true;
  int note = 60;
  int velocity = 0;
};

// Reads "SECONDS:NOTE[:VELOCITY[:LENGTH]]" (the --at form); velocity and length default to
// the given ones. False with a reason for anything else.
bool ParseTimedNote(const std::string& text, int velocity, double length, TimedNote& note,
                    std::string& error);
// Reads a sequence file: one note per line, "SECONDS NOTE [VELOCITY [LENGTH]]", blank lines
// and lines starting with '#' ignored.
bool ReadNoteSequence(const std::string& path, int velocity, double length,
                      std::vector<TimedNote>& notes, std::string& error);

// The note events of the notes at a sample rate, in frame order; at one frame the note-offs
// come first, so a note that ends where another starts on the same key is re-struck.
std::vector<NoteEvent> ScheduleNotes(const std::vector<TimedNote>& notes, double sampleRate);

}  // namespace fluvia::render
