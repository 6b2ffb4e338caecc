// Keys from the console's input: taken as the terminal gives them, held,
// and handed out one byte at a time.
//
// Each read takes all that is waiting. A terminal sends a key's escape
// sequence (CSI, ESC [ ..., or SS3, ESC O x) in one write, so it comes in
// one read: an ESC followed in the same read by '[' or 'O' is the first
// byte of another key, not the ESC key. Every byte is handed out as it
// came; only whether it was the ESC key depends on this.
//
// While a write waits for room on a device that takes no bytes, keys go on
// being taken, up to kKeysHeldMax held; beyond that they are dropped, but
// two ESC keys in a row are still held, so that they can end the program.
#pragma once

// As many as the program's build holds.
extern const unsigned kKeysHeldMax;

// Reads what has been typed, without waiting: as much as there is room
// for, and with none left, what is waiting, only to look for ESC ESC.
void TakeTypedKeys();
// Waits until a key is held or the input has ended.
void WaitForTypedKey();
bool KeysHeld();
// The next key byte, or -1 when none is held.
int NextKey();
// Whether the byte NextKey gave last was the ESC key itself.
bool LastKeyWasEscKey();
// See KeyboardAsksToLeave (waits.h).
bool KeysAskToLeave();
// The descriptor keys come from; -1 once the input has ended.
int KeyboardInput();
