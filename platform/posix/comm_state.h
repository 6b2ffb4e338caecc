// Line settings applied to a device, as SetCommState applies them.
#pragma once

#include "platform/comm.h"

// Applies a device control block and reads the settings back; false, with
// the device's settings as they were, when it did not take them. Modem lines
// that the device lacks (a pseudo-terminal) are no failure.
bool ApplySettings(int fd, const DCB& dcb);
