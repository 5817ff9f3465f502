#pragma once
// Key symbols of an X key event translated into the Windows virtual-key values the editor's
// key codes are defined on (see graphics/key_codes.h).

namespace fluvia {

// The virtual-key value for an X key symbol taken from the event's first (unshifted) level,
// or -1 for keys the editor never takes, which then go on to the host's window. Letters give
// their upper-case value whatever the shift state; the keypad's digits and arrows count as
// the main block's keys.
int VirtualKeyFromKeySym(unsigned long keysym);

}  // namespace fluvia
