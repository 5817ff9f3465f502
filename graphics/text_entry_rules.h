#pragma once
// What a window host's one-line value entry lets the user type, shared by every host.

namespace fluvia {

class IParameter;

// Whether the character may be typed into an entry editing `param` (null: free text).
// Integer and list parameters take digits and signs, continuous ones also a decimal point;
// backspace always passes.
bool TextEntryAcceptsChar(const IParameter* param, char c);

// The most characters an entry returns; longer texts are cut.
constexpr int kTextEntryMaxChars = 31;

}  // namespace fluvia
