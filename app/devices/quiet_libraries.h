#pragma once
// The audio libraries' own complaints (ALSA's about missing cards, for one) are not the
// person's business: the application reports what matters in its own words. Call once at start.

namespace fluvia::app {

void QuietAudioLibraries();

}  // namespace fluvia::app
