#pragma once
// Whether a JACK server takes clients (asked without starting one). RtMidi's JACK input
// complains on standard error when there is none, so it is asked first.

namespace fluvia::app {

bool JackServerRunning();

}  // namespace fluvia::app
