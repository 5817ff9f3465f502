#pragma once
// The editor's key codes and the mapping of the platform key values window hosts receive
// (the Windows virtual-key values, which X11 hosts translate their key symbols into).

namespace fluvia {

enum IKeyCode : int {
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5,   // .. kKeyDigit0 + 9
  kKeyLetterA = 15, // .. kKeyLetterA + 25
};

// The key code for a key value, or -1 for keys the editor does not take (they go on to the
// host's window).
constexpr int KeyCodeFromVirtualKey(int key) {
  if (key == 32) return kKeySpace;
  if (key == 38) return kKeyUp;
  if (key == 40) return kKeyDown;
  if (key == 37) return kKeyLeft;
  if (key == 39) return kKeyRight;
  if (key >= 48 && key <= 57) return kKeyDigit0 + (key - 48);
  if (key >= 65 && key <= 90) return kKeyLetterA + (key - 65);
  if (key >= 97 && key <= 122) return kKeyLetterA + (key - 97);
  return -1;
}

}  // namespace fluvia
