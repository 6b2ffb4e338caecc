// A device that goes and comes back, as a USB adapter does when its board
// is reset or its cable moved.
//
// A device has gone when a read or write fails with EIO or ENXIO, a read
// finds it hung up, or a wait reports a hang-up or an error with nothing to
// read. Its handle closes it at once: while a descriptor stays open, the
// kernel gives the returning device another number, which the user's name
// for it no longer fits. Then the handle waits for inotify to report a
// change in the folders its name went through, and at each change opens the
// name again as the first open did: looked up anew, exclusively where that
// was asked, with the settings SetCommState applied last, and without
// purging what the device sends first (a board's boot messages). Meanwhile
// reads find nothing and writes fail.
#pragma once

#include "platform/posix/comm_handle.h"

// Where inotify cannot be had, the return is looked for this often.
const int kReturnTimerMs = 1000;

// Opens what name names now, non-blocking, and takes exclusive use where
// exclusive is set; the descriptor, or -1. Adds the folders on the way.
int OpenNamed(const char* name, int accessFlags, bool exclusive, bool& exclusiveFlagSet,
              NameFolders& folders);
// Closes the device, clearing the exclusive flag the handle set.
int CloseDevice(CommHandle& device);
// Closes a device that has gone and waits for its return.
void LoseDevice(CommHandle& device);
// Opens the device again after a change, or after kReturnTimerMs where
// there is no inotify; true when it is back.
bool TryReturn(CommHandle& device);
