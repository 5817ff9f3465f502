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

// The life of a host's entry box between two redraw ticks: input only marks what the next
// tick does, so a commit never runs inside the box's own message handling.
enum TextEntryState : int {
  kTextEntryIdle = 0,       // open, nothing pending
  kTextEntryFocused = 1,    // has just taken the focus
  kTextEntryRepainted = 2,  // the editor was redrawn around it
  kTextEntryCancel = 3,     // the next tick closes it
  kTextEntryCommit = 4,     // the next tick hands its text on and closes it
};

// A click in the editor while an entry is open: right after the entry took the focus it
// abandons the entry, later it commits it.
constexpr int TextEntryStateAfterClick(int state) {
  return state == kTextEntryFocused ? kTextEntryCancel : kTextEntryCommit;
}

// What the redraw tick does with an open entry. Anything but None spends the tick.
enum class TextEntryTick { None, Settle, Commit, Cancel };
constexpr TextEntryTick TextEntryTickFor(int state) {
  switch (state) {
    case kTextEntryFocused:
    case kTextEntryRepainted: return TextEntryTick::Settle;  // back to idle
    case kTextEntryCommit: return TextEntryTick::Commit;
    case kTextEntryCancel: return TextEntryTick::Cancel;
    default: return TextEntryTick::None;
  }
}

}  // namespace fluvia
