// Waking once a batch, not once a byte, while the port streams.
//
// A board that prints at line rate sends a byte every 87 us at 115200
// baud, and a step that ended whenever a byte came would wake the program
// for each one. So once port bytes have woken it kWakesToStream times in a
// row, each within kStreamGapNs of the one before, the port streams: a step
// that follows one that found bytes gathers for kGatherMs before the
// program looks at the port again, as network cards moderate their
// interrupts. The first step that finds no bytes ends the stream. Bytes
// that a user types and a board echoes come tens of milliseconds apart and
// are shown as they come, and so is the first byte after a quiet spell.
//
// kGatherMs, 4 ms, is a quarter of a screen refresh, far below the 50 ms
// in which a user notices an echo, and below the 5 ms step of the loop's
// own design; a streaming port wakes the program at most 250 times a
// second. No byte is lost for it: a window gathers 1.6 KB at 4 Mbaud, 40 %
// of the line discipline's 4 KiB (beyond which the driver queues about
// 64 KiB more), 4.8 KB at the most a full-speed USB adapter carries, and
// 102 bytes at 256000 baud, the fastest speed the program sets; and the
// loop takes all that came before it waits again.
#pragma once

const int kGatherMs = 4;
const int kWakesToStream = 4;
const long long kStreamGapNs = 2000000;  // bytes at 9600 baud come 1.04 ms apart

// Whether the coming step gathers: the port streams, and the step before
// found bytes. A step that found none ends the stream.
bool StreamGathers(bool bytesCame);
// Port bytes ended the step.
void NotePortWake();
