// Keys from the console's input: taken as the terminal gives them, all that
// are waiting in one read, held, and handed out one byte at a time.
#pragma once

const unsigned kKeysHeldMax = 1 << 20;

// Reads what has been typed, as much as there is room for, without waiting.
void TakeTypedKeys();
// Waits until a key is held or the input has ended.
void WaitForTypedKey();
bool KeysHeld();
// The next key byte, or -1 when none is held.
int NextKey();
// The descriptor keys come from; -1 once the input has ended.
int KeyboardInput();
