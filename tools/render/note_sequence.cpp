#include "tools/render/note_sequence.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fluvia::render {
namespace {

constexpr double kLongestStart = 3600.0;

bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

// Checks the fields of one note; `fields` holds 2 to 4 texts.
bool NoteFromFields(const std::vector<std::string>& fields, int velocity, double length,
                    TimedNote& note, std::string& error) {
  if (fields.size() < 2 || fields.size() > 4) {
    error = "a timed note is SECONDS NOTE [VELOCITY [LENGTH]]";
    return false;
  }
  double start = 0.0, key = 0.0, vel = velocity, held = length;
  if (!ParseNumber(fields[0], start) || start < 0.0 || start > kLongestStart) {
    error = "a note's start must be a number of seconds in 0..3600, got '" + fields[0] + "'";
    return false;
  }
  if (!ParseNumber(fields[1], key) || key != std::floor(key) || key < 0 || key > 127) {
    error = "a note number must be a whole number in 0..127, got '" + fields[1] + "'";
    return false;
  }
  if (fields.size() > 2 &&
      (!ParseNumber(fields[2], vel) || vel != std::floor(vel) || vel < 1 || vel > 127)) {
    error = "a velocity must be a whole number in 1..127, got '" + fields[2] + "'";
    return false;
  }
  if (fields.size() > 3 && (!ParseNumber(fields[3], held) || held < 0.0 || held > kLongestStart)) {
    error = "a note's length must be a number of seconds in 0..3600, got '" + fields[3] + "'";
    return false;
  }
  note = {start, int(key), int(vel), held};
  return true;
}

}  // namespace

bool ParseTimedNote(const std::string& text, int velocity, double length, TimedNote& note,
                    std::string& error) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, ':')) fields.push_back(field);
  if (!text.empty() && text.back() == ':') fields.push_back("");
  if (!NoteFromFields(fields, velocity, length, note, error)) {
    error = "--at " + text + ": " + error;
    return false;
  }
  return true;
}

bool ReadNoteSequence(const std::string& path, int velocity, double length,
                      std::vector<TimedNote>& notes, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "cannot read the note sequence '" + path + "'";
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    if (fields.empty() || fields[0][0] == '#') continue;
    TimedNote note;
    if (!NoteFromFields(fields, velocity, length, note, error)) {
      error = path + " line " + std::to_string(number) + ": " + error;
      return false;
    }
    notes.push_back(note);
  }
  return true;
}

std::vector<NoteEvent> ScheduleNotes(const std::vector<TimedNote>& notes, double sampleRate) {
  // At one frame: the ends of earlier notes, then the starts, then the ends of notes that
  // start and end on that frame.
  struct Ranked {
    NoteEvent event;
    int rank;
  };
  std::vector<Ranked> ranked;
  ranked.reserve(notes.size() * 2);
  for (const TimedNote& note : notes) {
    const long on = std::lround(note.start * sampleRate);
    const long off = std::lround((note.start + note.length) * sampleRate);
    ranked.push_back({{on, true, note.note, note.velocity}, 1});
    ranked.push_back({{off, false, note.note, 0}, off > on ? 0 : 2});
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    return a.event.frame != b.event.frame ? a.event.frame < b.event.frame : a.rank < b.rank;
  });
  std::vector<NoteEvent> events;
  events.reserve(ranked.size());
  for (const Ranked& r : ranked) events.push_back(r.event);
  return events;
}

}  // namespace fluvia::render
