// Keys from the console's input: read as they are typed, held, and handed
// out one byte at a time.
//
// A terminal sends a key's escape sequence (CSI, ESC [ ..., or SS3, ESC O x,
// perhaps after an ESC for Alt) in one write, so it comes in one read: an
// ESC followed in the same read by the start of a sequence is a byte of that
// sequence, not the ESC key. Every byte is handed out as it came; only
// whether it was the ESC key depends on this.
//
// Two ESC keys in a row ask the program to leave: after the keys held
// before them, the ESC key is all that is handed out, and keys typed later
// are dropped. Otherwise up to kKeysHeldMax keys are held, for a port that
// takes no bytes for a while; beyond that they are dropped.
#pragma once

// As many as the program's build holds.
extern const unsigned kKeysHeldMax;

// Puts the keyboard into raw mode; waits watch it from then on.
void StartKeyboard();
// The descriptor waits watch: -1 before StartKeyboard and once the input
// has ended.
int KeyboardToWatch();
// Reads what has been typed, without waiting.
void TakeTypedKeys();
bool KeysHeld();
// The next key byte, or -1 when none is held.
int NextKey();
// Whether the byte NextKey gave last was the ESC key itself.
bool LastKeyWasEscKey();
// Whether two ESC keys in a row were typed.
bool KeysAskToLeave();
// Drops the keys held before those two: a write that waits for room gives
// up then, and they would not reach the device before the program ends.
void DropKeysBeforeLeaving();
